/**
 * @file MiravSDKClient.h
 * @brief The client class: connects to a capture server and gives access to its frames.
 *
 * Results are MiravResult codes returned as @c int. Threads: any thread may call any member,
 * except that construction, Initialize(), Uninitialize() and destruction of one client must not
 * overlap. Callbacks run on the library's receive threads; the records they receive are valid only
 * during the call. The frame store behind the GetLastFrame... members is shared by the whole
 * process, whichever client they are called on.
 */
#ifndef MIRAV_SDK_CLIENT_H
#define MIRAV_SDK_CLIENT_H

#include "MiravExport.h"
#include "MiravResult.h"
#include "MiravTypes.h"
#include "MiravUtilities.h"

class ClientCore;

/**
 * @brief One connection to a capture server.
 *
 * Calling order: construct, register callbacks (any time), Initialize(), requests and last-frame
 * queries, Uninitialize(), destroy. Initialize() may be called again after Uninitialize().
 */
class MIRAV_API MiravSDKClient {
public:
    /**
     * @brief Creates a client that is not connected. The first client of a process also starts
     * the socket library.
     */
    MiravSDKClient();
    /**
     * @brief Disconnects (as Uninitialize()) and releases the client. Must not run inside one of
     * the client's own callbacks.
     */
    ~MiravSDKClient();
    /**
     * @brief Makes this object share the other's connection.
     *
     * Both objects then share one implementation; only one of them may be destroyed, and once it
     * is, the other must not be used. This object's previous connection is not closed.
     * @param other The client whose connection is shared.
     * @return This object.
     */
    MiravSDKClient& operator=(const MiravSDKClient& other);
    MiravSDKClient(const MiravSDKClient&) = delete;

    /**
     * @brief Connects to the server: opens the command channel, sends the connect request, waits
     * up to 5 s for the reply, then opens the data channel (multicast group 239.239.239.52 or
     * unicast port 5231, as the server decides).
     *
     * Blocks until the server answers or the wait ends.
     * @param serverAddress The server's IPv4 address in dotted decimal, or a host name.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotDescribed (4) when the address is null or not usable;
     *   MiravResult_AlreadyInitialized when the client is already initialised;
     *   MiravResult_SystemResource when a socket, lock, event or thread could not be created;
     *   MiravResult_ConnectFailed when the command socket could not be connected;
     *   MiravResult_OutOfMemory when a channel buffer could not be allocated;
     *   MiravResult_NoReply when the server did not answer within 5 s;
     *   MiravResult_NotConnected when the server refused the client's version;
     *   MiravResult_Failed when no request slot could be made, or in unicast mode when the data
     *   port 5231 could not be bound (another client or program in the machine holds it).
     */
    int Initialize(char* serverAddress);
    /**
     * @brief Disconnects: stops the data channel, then the command channel, then the keep-alive
     * thread. Takes about 0.8 s.
     *
     * After it returns no callback of this client runs any more. Must not be called from one of
     * the client's own callbacks.
     * @return MiravResult_Ok, also when the client was not initialised;
     *   MiravResult_InvalidArgument without an implementation.
     */
    int Uninitialize();
    /**
     * @brief Fetches the descriptions (retrying until the server answers) and prepares the force
     * plates they describe, so that the force plate callback receives computed plates.
     *
     * Also refreshes the descriptions that the by-name look-ups use. Blocks.
     * @param timeoutMs Limit in milliseconds; 0 waits without limit, a negative value tries once.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotConnected when the client is not connected;
     *   MiravResult_Failed when the limit passed or the plates could not be prepared.
     */
    int WaitForForcePlateInit(int timeoutMs);

    /**
     * @brief Asks the server for its identity (host name, address, application and versions).
     *
     * Does not check the connection: before Initialize() the command channel is closed and the
     * request fails with MiravResult_Failed. Blocks up to 5 s.
     * @param description The caller's record, filled on success.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation or with a null record;
     *   MiravResult_Failed when the request failed (no connection, or no reply within 5 s).
     */
    int GetServerDescription(sServerDescription* description);
    /**
     * @brief Asks the server for the data descriptions (names of marker sets, rigid bodies,
     * skeletons and force plates) and keeps a copy for the by-name look-ups.
     *
     * Blocks up to 5 s. Call it once after Initialize() before using any look-up by name.
     * @param descriptions Receives a new description set; release it with FreeDataDescriptions().
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation or with a null @p descriptions;
     *   MiravResult_NotConnected when the client is not connected;
     *   MiravResult_Failed when the request failed or no reply came within 5 s.
     */
    int GetDataDescriptions(sDataDescriptions** descriptions);
    /**
     * @brief As GetDataDescriptions() with the extended request; the copy used by the look-ups is
     * left as it is.
     * @param descriptions Receives a new description set; release it with FreeDataDescriptions().
     * @return As GetDataDescriptions().
     */
    int GetDataDescriptionsEx(sDataDescriptions** descriptions);
    /**
     * @brief Asks the server for the T-pose descriptions of one skeleton; the copy used by the
     * look-ups is left as it is.
     * @param name The skeleton name (null is sent as an empty name).
     * @param descriptions Receives a new description set; release it with FreeDataDescriptions().
     * @return As GetDataDescriptions().
     */
    int GetTposeDataDescriptions(char* name, sDataDescriptions** descriptions);
    /**
     * @brief Releases a description set that this library returned, with everything it points to.
     * @param descriptions The set; it must not be used afterwards.
     * @return MiravResult_Ok; MiravResult_InvalidArgument when @p descriptions is null.
     */
    int FreeDataDescriptions(sDataDescriptions* descriptions);

    /**
     * @brief Registers the function called with every frame received.
     *
     * The function is process-wide (one for all clients, the last registration wins); the user
     * data is kept per client. It runs on the data channel's receive thread; the frame is valid
     * only during the call (copy it with Solvanta_CopyFrame() to keep it). Null switches it off.
     * @param callback The function, or null.
     * @param userData Passed back to the function unchanged.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetDataCallback(MiravDataCallback callback, void* userData);
    /**
     * @brief Registers the function called with the computed force plates of a frame (after
     * WaitForForcePlateInit()). Runs before the data callback of the same frame; otherwise as
     * SetDataCallback().
     * @param callback The function, or null.
     * @param userData Passed back to the function unchanged.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetForcePlateCallback(MiravForcePlateCallback callback, void* userData);
    /**
     * @brief Registers the function called with every notification from the server; as
     * SetDataCallback().
     * @param callback The function, or null.
     * @param userData Passed back to the function unchanged.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData);
    /**
     * @brief Registers the function called with every analog channel message; as
     * SetDataCallback().
     * @param callback The function, or null.
     * @param userData Passed back to the function unchanged.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetAnalogChCallback(MiravAnalogChCallback callback, void* userData);
    /**
     * @brief Registers the process-wide function that receives every diagnostic line (the library
     * never prints by itself).
     *
     * It runs on whichever thread reports, with the line's level and text; the text is valid only
     * during the call. Null switches it off.
     * @param callback The function, or null.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetMessageCallback(MiravMessageCallback callback);
    /**
     * @brief Sets the process-wide diagnostic level: 0 silences everything, 1 keeps short status
     * lines, 3 and above adds operating-system error numbers and connect failures. Default 4.
     * @param level The highest level delivered to the message callback.
     */
    void SetVerbosityLevel(int level);

    /**
     * @brief Takes the oldest pending frame (at most 32 wait; the oldest is dropped beyond that)
     * and makes it the process-wide current frame.
     *
     * With no frame pending the current frame is returned again. Its contents stay valid until
     * the next call in the process, on any thread and through any client, that takes a frame.
     * @return The current frame record; null when no frame was ever taken (or without an
     *   implementation).
     */
    sFrameOfMocapData* GetLastFrameOfMocapData();
    /**
     * @brief Finds a marker of the current frame by marker set and marker name.
     *
     * Needs the descriptions (GetDataDescriptions()) and a taken frame (GetLastFrameOfMocapData()).
     * @param markerSetName Marker set name (exact, case-sensitive).
     * @param markerName Marker name inside the set.
     * @param point Receives a pointer to the marker's x, y, z inside the current frame.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotInFrame for every other failure (null argument, name not described, set
     *   or marker absent from the current frame).
     */
    int GetLastFrameMarkerByName(const char* markerSetName, const char* markerName, float** point);
    /**
     * @brief Finds a rigid body of the current frame by name.
     * @param name Rigid body name (exact, case-sensitive).
     * @param rigidBody Receives a pointer to the rigid body inside the current frame.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotDescribed when no cached description carries the name;
     *   MiravResult_NotInFrame for a null argument or when the body is absent from the frame.
     */
    int GetLastFrameRigidBodyByName(const char* name, sRigidBodyData** rigidBody);
    /**
     * @brief Finds a bone of a skeleton of the current frame by skeleton and bone name.
     * @param skeletonName Skeleton name.
     * @param boneName Bone name inside that skeleton.
     * @param bone Receives a pointer to the bone inside the current frame.
     * @return As GetLastFrameRigidBodyByName().
     */
    int GetLastFrameSkeletonByName(const char* skeletonName, const char* boneName,
                                   sRigidBodyData** bone);
    /**
     * @brief Reads an analog value of the current frame by force plate channel name.
     *
     * The channel's position in its plate description selects the value in the frame's
     * @c analogData.
     * @param channelName Channel name.
     * @param value Receives the value.
     * @return As GetLastFrameRigidBodyByName().
     */
    int GetLastFrameAnalogdata(const char* channelName, float* value);
    /**
     * @brief Reads one count or field of the current frame.
     * @param type 1 frame number, 2 marker sets, 3 rigid bodies, 4 skeletons, 5 labelled markers,
     *   6 unlabelled markers, 7 analog values, 8 @c params (sign-extended).
     * @return The value; -1 for any other type; 2 without an implementation.
     */
    int GetLastFrameDataByType(int type);
    /**
     * @brief Copies the extended data of the current frame into the caller's record.
     * @param extendData The caller's record (about 880 KB).
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int GetLastFrameExtendData(sFrameExtendData& extendData);
    /**
     * @brief Gives the labelled markers of the current frame (count: GetLastFrameDataByType(5)).
     * @param markers Receives a pointer to the array inside the current frame.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotDescribed (4) when @p markers is null.
     */
    int GetLastFrameLabeledMarker(sMarker** markers);
    /**
     * @brief Latency of the current frame, passed through as the server reports it (see
     * docs/units-axes-flags.md).
     * @return The latency; 2.0 without an implementation.
     */
    float GetLastFrameLatency();
    /**
     * @brief Timecode sub-frame of the current frame.
     * @return The sub-frame; 2 without an implementation.
     */
    uint32_t GetLastFrameSubframe();
    /**
     * @brief Time stamp of the current frame, passed through as the server sends it (see
     * docs/units-axes-flags.md).
     * @return The time stamp; 2 without an implementation.
     */
    int64_t GetLastFrameTimeStamp();
    /**
     * @brief Packed timecode of the current frame (decode with DecodeTimecode()).
     * @return The timecode; 2 without an implementation.
     */
    uint32_t GetLastFrameTimecode();
    /**
     * @brief Gives one unlabelled marker of the current frame.
     * @param index Position, 0 to GetLastFrameDataByType(6) - 1.
     * @param point Receives a pointer to its x, y, z inside the current frame.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation;
     *   MiravResult_NotDescribed (4) for a null @p point or an index out of range.
     */
    int GetLastFrameUndefined(int index, float** point);

    /**
     * @brief Copies this client's stream statistics (see sStreamStatistics).
     * @param stats The caller's record with @c size set to sizeof(sStreamStatistics); a larger
     *   size is accepted and only the fields this version knows are written.
     * @return MiravResult_Ok; MiravResult_InvalidArgument (2) for a null @p stats, a @c size
     *   smaller than the first version of the record, or without an implementation.
     */
    int GetStreamStatistics(sStreamStatistics* stats);

    /**
     * @brief Deep copy of a frame (as Solvanta_CopyFrame()); release the copy with
     * MiravFreeFrame().
     * @param source The frame to copy.
     * @param destination The caller's record receiving the copy.
     * @return MiravResult_Ok; MiravResult_InvalidArgument when either pointer is null.
     */
    int MiravCopyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination);
    /**
     * @brief Releases the arrays of a copied frame and zeroes it (as Solvanta_FreeFrame()).
     * @param frame The frame.
     * @return MiravResult_Ok; MiravResult_InvalidArgument when @p frame is null.
     */
    int MiravFreeFrame(sFrameOfMocapData* frame);
    /**
     * @brief Writes the library's four version bytes (major, minor, patch, build).
     * @param version At least 4 bytes.
     */
    void MiravSDKVersion(unsigned char* version);
    /**
     * @brief Splits a packed timecode (as Solvanta_DecodeTimecode()).
     * @param timecode Packed timecode: hours in bits 31-24, minutes 23-16, seconds 15-8, frames
     *   7-0.
     * @param subframe Sub-frame.
     * @param hour Receives the hours.
     * @param minute Receives the minutes.
     * @param second Receives the seconds.
     * @param frame Receives the frames.
     * @param subframeOut Receives the sub-frame.
     * @return true; false when any output pointer is null.
     */
    bool DecodeTimecode(uint32_t timecode, uint32_t subframe, int* hour, int* minute, int* second,
                        int* frame, int* subframeOut);
    /**
     * @brief Formats a timecode as "hh:mm:ss:ff.s" (as Solvanta_TimecodeStringify()).
     * @param timecode Packed timecode.
     * @param subframe Sub-frame.
     * @param buffer Receives the text, always terminated.
     * @param bufferSize Size of @p buffer in bytes.
     * @return true; false when @p buffer is null or @p bufferSize is below 1.
     */
    bool TimecodeStringify(uint32_t timecode, uint32_t subframe, char* buffer, int bufferSize);

    // Const text forms, look-ups by name on any frame record, and names of ids.

    /**
     * @brief Initialize() for a constant address text, such as a string literal.
     * @param serverAddress The server's IPv4 address in dotted decimal, or a host name.
     * @return As Initialize(char*).
     */
    int Initialize(const char* serverAddress);
    /**
     * @brief GetTposeDataDescriptions() for a constant name text.
     * @param name The skeleton name.
     * @param descriptions Receives a new description set; release it with FreeDataDescriptions().
     * @return As GetTposeDataDescriptions(char*, sDataDescriptions**).
     */
    int GetTposeDataDescriptions(const char* name, sDataDescriptions** descriptions);

    /**
     * @brief Finds a rigid body by name in any frame record: the one a data callback receives, a
     * copy made with Solvanta_CopyFrame(), or the current frame.
     *
     * Needs the descriptions (GetDataDescriptions() once after Initialize()). Safe to call inside
     * a data callback. The first rigid body of the frame with the described id is returned.
     * @param frame The frame record to search.
     * @param name Rigid body name (exact, case-sensitive).
     * @param rigidBody Receives a pointer into @p frame, valid as long as @p frame is.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation or for a null argument;
     *   MiravResult_NotDescribed when no cached description carries the name;
     *   MiravResult_NotInFrame when the described body is absent from @p frame.
     */
    int FindRigidBodyByName(const sFrameOfMocapData* frame, const char* name,
                            sRigidBodyData** rigidBody);
    /**
     * @brief Finds a marker by marker set and marker name in any frame record (see
     * FindRigidBodyByName()).
     * @param frame The frame record to search.
     * @param markerSetName Marker set name.
     * @param markerName Marker name inside the set; its position in the set's description
     *   selects the point.
     * @param point Receives a pointer to the marker's x, y, z inside @p frame.
     * @return As FindRigidBodyByName(); MiravResult_NotInFrame also when the frame's set has
     *   fewer markers than the position.
     */
    int FindMarkerByName(const sFrameOfMocapData* frame, const char* markerSetName,
                         const char* markerName, float** point);
    /**
     * @brief Finds a bone by skeleton and bone name in any frame record (see
     * FindRigidBodyByName()).
     * @param frame The frame record to search.
     * @param skeletonName Skeleton name.
     * @param boneName Bone name inside that skeleton.
     * @param bone Receives a pointer to the bone inside @p frame.
     * @return As FindRigidBodyByName().
     */
    int FindSkeletonBoneByName(const sFrameOfMocapData* frame, const char* skeletonName,
                               const char* boneName, sRigidBodyData** bone);
    /**
     * @brief Reads an analog value by channel name from any frame record (see
     * FindRigidBodyByName()).
     *
     * The channel's position in its device description selects the value in @c analogData,
     * which holds the analog device channels once WaitForForcePlateInit() has prepared the plates.
     * @param frame The frame record to read.
     * @param channelName Channel name.
     * @param value Receives the value.
     * @return As FindRigidBodyByName().
     */
    int FindAnalogValueByName(const sFrameOfMocapData* frame, const char* channelName,
                              float* value);

    /**
     * @brief Writes the name that the cached descriptions give to a rigid body id.
     *
     * Needs the descriptions (GetDataDescriptions()). A buffer of MAX_NAMELENGTH bytes always
     * suffices.
     * @param id Rigid body id, as in sRigidBodyData::id.
     * @param name Receives the terminated name (an empty text on failure).
     * @param nameSize Size of @p name in bytes.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation, for a null @p name, a size below
     *   1 or a buffer too short for the name;
     *   MiravResult_NotDescribed when no cached description carries the id.
     */
    int GetRigidBodyName(int id, char* name, int nameSize);
    /**
     * @brief Writes the name of a skeleton id (see GetRigidBodyName()).
     * @param skeletonId Skeleton id, as in sSkeletonData::skeletonId.
     * @param name Receives the terminated name.
     * @param nameSize Size of @p name in bytes.
     * @return As GetRigidBodyName().
     */
    int GetSkeletonName(int skeletonId, char* name, int nameSize);
    /**
     * @brief Writes the name of a bone of a skeleton (see GetRigidBodyName()).
     * @param skeletonId Skeleton id.
     * @param boneId Bone id, as in the bone's sRigidBodyData::id.
     * @param name Receives the terminated name.
     * @param nameSize Size of @p name in bytes.
     * @return As GetRigidBodyName().
     */
    int GetSkeletonBoneName(int skeletonId, int boneId, char* name, int nameSize);
    /**
     * @brief Writes the name of the marker at a position of a marker set (see
     * GetRigidBodyName()).
     * @param markerSetName Marker set name (the first description of that name is used).
     * @param index Position of the marker in the set, as in sMarkerSetData::markers.
     * @param name Receives the terminated name.
     * @param nameSize Size of @p name in bytes.
     * @return As GetRigidBodyName(); MiravResult_InvalidArgument also for a null
     *   @p markerSetName.
     */
    int GetMarkerName(const char* markerSetName, int index, char* name, int nameSize);
    /**
     * @brief Writes the name of the analog channel at a position of @c analogData (see
     * GetRigidBodyName()).
     *
     * The channel names of analog devices (force plate descriptions of kind 0) are preferred;
     * otherwise the first plate description with that many channels names the position.
     * @param index Position in sFrameOfMocapData::analogData.
     * @param name Receives the terminated name.
     * @param nameSize Size of @p name in bytes.
     * @return As GetRigidBodyName().
     */
    int GetAnalogChannelName(int index, char* name, int nameSize);

    /**
     * @brief Writes when a frame of this client was captured, arrived and was delivered, in
     * seconds of the host clock HostTimeNow() reads.
     *
     * Works with the record a data callback receives, with a copy of it (Solvanta_CopyFrame) and
     * with the store's current frame: the frame is found by its @c frameNumber among the last 512
     * frames this client received. Any thread may call it, the data callback included.
     * @param frame The frame; only its @c frameNumber is read.
     * @param timing Receives the timing; the caller sets @c timing->size to
     *   sizeof(sFrameHostTiming) first. Only the fields within @c size are written.
     * @return MiravResult_Ok;
     *   MiravResult_InvalidArgument without an implementation, for a null @p frame or
     *   @p timing, or a @c size too small for @c captureTime;
     *   MiravResult_NotInFrame when this client has not received that frame among its last 512.
     */
    int GetFrameHostTiming(const sFrameOfMocapData* frame, sFrameHostTiming* timing);
    /**
     * @brief The host clock of sFrameHostTiming, in seconds from an arbitrary fixed origin:
     * std::chrono::steady_clock (CLOCK_MONOTONIC on Linux, the performance counter on Windows).
     * @return Seconds; differences of two readings are elapsed times.
     */
    static double HostTimeNow();
    // Stream continuity: connection state, stall detection, automatic reconnection, bounded
    // waits, failures in words, and the depth of the polling queue.

    /**
     * @brief Reads the client's connection state.
     * @param state Receives a MiravConnectionState value.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation or for a null
     *   @p state.
     */
    int GetConnectionState(int* state);
    /**
     * @brief Registers the function called once per change of this client's connection state.
     *
     * The callback runs on the client's monitor thread with no library lock held, in the order
     * of the changes: it may call the client's operations, except Uninitialize() and destruction
     * (refused with MiravResult_Failed there). Initialize() reports Connecting, then Streaming
     * with the first frame; Uninitialize() reports Disconnected before it returns.
     * @param callback The function, or null to stop the calls.
     * @param userData Passed to every call.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation.
     */
    int SetConnectionStateCallback(MiravConnectionStateCallback callback, void* userData);
    /**
     * @brief Sets how long a connected client waits for a frame before its state becomes Stalled.
     * @param milliseconds The stall time (default 1000); 0 turns stall detection, and with it
     *   automatic reconnection, off. At most 3600000.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation or for a
     *   value out of range.
     */
    int SetStallTimeout(int milliseconds);
    /**
     * @brief Turns automatic reconnection on or off (off by default).
     *
     * When on and the stream stalls, the client repeats the connect handshake every interval
     * until the server answers, then subscribes again (unicast: keep-alive at once; multicast:
     * joins the group again), refreshes the description cache and prepares the force plates
     * again if WaitForForcePlateInit() had prepared them. The state goes Stalled, Reconnecting,
     * then Streaming with the first frame. A server that comes back with another version, in the
     * other transport mode or refusing this library's version is handled as Initialize() would;
     * a refusal leaves the client Disconnected until Uninitialize().
     * @param enabled Non-zero turns reconnection on.
     * @param retryIntervalMs Milliseconds between handshakes (0: the default, 1000); at most
     *   3600000.
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation or for an
     *   interval out of range.
     */
    int SetAutoReconnect(int enabled, int retryIntervalMs);
    /**
     * @brief Sets how long Initialize() and each request wait for the server's reply.
     *
     * When the operating system reports the server's command port unreachable, they stop
     * waiting at once with the same result as a time-out (MiravResult_NoReply).
     * @param milliseconds The wait, 1 to 3600000 (default 5000).
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation or for a
     *   value out of range.
     */
    int SetRequestTimeout(int milliseconds);
    /**
     * @brief Writes one sentence about the client's last failure, for a person.
     *
     * For example "port 5230 unreachable on 127.0.0.1: nothing is listening". The text stays
     * until the next failure; it is empty when nothing has failed yet. A longer text is cut to
     * the buffer.
     * @param buffer Receives the terminated text.
     * @param size Size of @p buffer in bytes (at least 1; 256 always suffices).
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation, for a null
     *   @p buffer or a size below 1.
     */
    int GetLastErrorText(char* buffer, int size);
    /**
     * @brief Sets how many frames the process-wide polling queue holds for
     * GetLastFrameOfMocapData() (for every client, like the store it configures).
     *
     * Each call of GetLastFrameOfMocapData() takes the oldest waiting frame; a full queue drops
     * its oldest frame. With 1 it always gives the newest frame. A smaller capacity drops the
     * oldest waiting frames at once.
     * @param frames 1 to 32 (default 32).
     * @return MiravResult_Ok; MiravResult_InvalidArgument without an implementation or for a
     *   value out of range.
     */
    int SetFrameQueueCapacity(int frames);

private:
    ClientCore* core_;
};

#endif
