/**
 * @file MiravFlatApi.h
 * @brief The flat interface: the client's operations as plain C functions taking the client
 * first.
 *
 * Each function calls the MiravSDKClient member of the same name and returns its result; a null
 * client gives MiravResult_InvalidArgument (null for GetLastFrameOfMocapData()). Threads and
 * lifetimes are those of the member.
 */
#ifndef MIRAV_FLAT_API_H
#define MIRAV_FLAT_API_H

#include "MiravExport.h"
#include "MiravResult.h"
#include "MiravTypes.h"
#include "MiravUtilities.h"

#ifdef __cplusplus
#include "MiravSDKClient.h"
#else
typedef struct MiravSDKClient MiravSDKClient;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @brief Creates a client that is not connected.
 * @param phClient Receives the new client (null when none could be made); release it with
 *   DestroyClient().
 * @return MiravResult_Ok; MiravResult_InvalidArgument when @p phClient is null (reported as an
 *   assertion line) or no client could be made.
 */
MIRAV_API int CreateClient(MiravSDKClient** phClient);
/**
 * @brief Disconnects and releases a client from CreateClient(); it must not be used afterwards.
 * @param client The client.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int DestroyClient(MiravSDKClient* client);
/**
 * @brief Flat form of MiravSDKClient::Initialize().
 * @param client The client from CreateClient().
 * @param serverAddress The server's IPv4 address or host name.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int Initialize(MiravSDKClient* client, const char* serverAddress);
/**
 * @brief Flat form of MiravSDKClient::Uninitialize().
 * @param client The client from CreateClient().
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int Uninitialize(MiravSDKClient* client);
/**
 * @brief Flat form of MiravSDKClient::WaitForForcePlateInit().
 * @param client The client from CreateClient().
 * @param timeoutMs Limit in milliseconds; 0 waits without limit.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int WaitForForcePlateInit(MiravSDKClient* client, int timeoutMs);
/**
 * @brief Flat form of MiravSDKClient::GetServerDescription().
 * @param client The client from CreateClient().
 * @param description The caller's record, filled on success.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetServerDescription(MiravSDKClient* client, sServerDescription* description);
/**
 * @brief Flat form of MiravSDKClient::GetDataDescriptions().
 * @param client The client from CreateClient().
 * @param pDataDescriptions Receives a new description set; release it with FreeDataDescriptions().
 * @return As the member; MiravResult_InvalidArgument for a null client or a null @p
 * pDataDescriptions (reported as an assertion line).
 */
MIRAV_API int GetDataDescriptions(MiravSDKClient* client, sDataDescriptions** pDataDescriptions);
/**
 * @brief Fetches the plain data descriptions (the same request as GetDataDescriptions()) and
 * also copies the set's top record into the caller's record.
 *
 * The caller's copy shares the typed description records of the returned set: release only the
 * set returned through @p descriptions, never the caller's copy.
 * @param client The client from CreateClient().
 * @param pDataDescriptions The caller's record, receiving a copy of the set's top record.
 * @param descriptions Receives the new description set; release it with FreeDataDescriptions().
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null argument and for every failure
 *   of the request (also when the client is not connected).
 */
MIRAV_API int GetDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions,
                                    sDataDescriptions** descriptions);
/**
 * @brief Flat form of MiravSDKClient::FreeDataDescriptions().
 * @param client The client from CreateClient().
 * @param pDataDescriptions A set this library returned.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null set.
 */
MIRAV_API int FreeDataDescriptions(MiravSDKClient* client, sDataDescriptions* pDataDescriptions);
/**
 * @brief Releases a description set returned by GetDataDescriptionsEx() (the pointer returned
 * through its out pointer, never the caller's copy).
 * @param client The client from CreateClient().
 * @param pDataDescriptions The set.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null set.
 */
MIRAV_API int FreeDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions);
/**
 * @brief Flat form of MiravSDKClient::GetTposeDataDescriptions().
 * @param client The client from CreateClient().
 * @param name The skeleton name.
 * @param descriptions Receives a new description set; release it with FreeDataDescriptions().
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetTposeDataDescriptions(MiravSDKClient* client, const char* name,
                                       sDataDescriptions** descriptions);
/**
 * @brief Flat form of MiravSDKClient::SetDataCallback().
 * @param client The client from CreateClient().
 * @param callback The function, or null.
 * @param userData Passed back to the function unchanged.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetDataCallback(MiravSDKClient* client, MiravDataCallback callback, void* userData);
/**
 * @brief Flat form of MiravSDKClient::SetForcePlateCallback().
 * @param client The client from CreateClient().
 * @param callback The function, or null.
 * @param userData Passed back to the function unchanged.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetForcePlateCallback(MiravSDKClient* client, MiravForcePlateCallback callback,
                                    void* userData);
/**
 * @brief Flat form of MiravSDKClient::SetNotifyMsgCallback().
 * @param client The client from CreateClient().
 * @param callback The function, or null.
 * @param userData Passed back to the function unchanged.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetNotifyMsgCallback(MiravSDKClient* client, MiravNotifyMsgCallback callback,
                                   void* userData);
/**
 * @brief Flat form of MiravSDKClient::SetAnalogChCallback().
 * @param client The client from CreateClient().
 * @param callback The function, or null.
 * @param userData Passed back to the function unchanged.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetAnalogChCallback(MiravSDKClient* client, MiravAnalogChCallback callback,
                                  void* userData);
/**
 * @brief Flat form of MiravSDKClient::SetMessageCallback().
 * @param client The client from CreateClient().
 * @param callback The function, or null.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetMessageCallback(MiravSDKClient* client, MiravMessageCallback callback);
/**
 * @brief Flat form of MiravSDKClient::SetVerbosityLevel().
 * @param client The client from CreateClient().
 * @param level The highest level delivered to the message callback.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetVerbosityLevel(MiravSDKClient* client, int level);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameOfMocapData().
 * @param client The client from CreateClient().
 * @return As the member; null for a null client.
 */
MIRAV_API sFrameOfMocapData* GetLastFrameOfMocapData(MiravSDKClient* client);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameMarkerByName().
 * @param client The client from CreateClient().
 * @param markerSetName Marker set name.
 * @param markerName Marker name inside the set.
 * @param point Receives a pointer to the marker's x, y, z.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameMarkerByName(MiravSDKClient* client, const char* markerSetName,
                                       const char* markerName, float** point);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameRigidBodyByName().
 * @param client The client from CreateClient().
 * @param name Rigid body name.
 * @param rigidBody Receives a pointer to the rigid body.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameRigidBodyByName(MiravSDKClient* client, const char* name,
                                          sRigidBodyData** rigidBody);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameSkeletonByName().
 * @param client The client from CreateClient().
 * @param skeletonName Skeleton name.
 * @param boneName Bone name.
 * @param bone Receives a pointer to the bone.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameSkeletonByName(MiravSDKClient* client, const char* skeletonName,
                                         const char* boneName, sRigidBodyData** bone);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameAnalogdata().
 * @param client The client from CreateClient().
 * @param channelName Channel name.
 * @param value Receives the value.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameAnalogdata(MiravSDKClient* client, const char* channelName, float* value);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameLabeledMarker().
 * @param client The client from CreateClient().
 * @param markers Receives a pointer to the labelled markers.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameLabeledMarker(MiravSDKClient* client, sMarker** markers);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameUndefined().
 * @param client The client from CreateClient().
 * @param index Position of the unlabelled marker.
 * @param point Receives a pointer to its x, y, z.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastFrameUndefined(MiravSDKClient* client, int index, float** point);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameDataByType().
 * @param client The client from CreateClient().
 * @param type As the member.
 * @param value Receives the value (-1 for an unknown type).
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null @p value.
 */
MIRAV_API int GetLastFrameDataByType(MiravSDKClient* client, int type, int* value);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameLatency().
 * @param client The client from CreateClient().
 * @param value Receives the latency.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null @p value.
 */
MIRAV_API int GetLastFrameLatency(MiravSDKClient* client, float* value);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameSubframe().
 * @param client The client from CreateClient().
 * @param value Receives the sub-frame.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null @p value.
 */
MIRAV_API int GetLastFrameSubframe(MiravSDKClient* client, uint32_t* value);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameTimecode().
 * @param client The client from CreateClient().
 * @param value Receives the packed timecode.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null @p value.
 */
MIRAV_API int GetLastFrameTimecode(MiravSDKClient* client, uint32_t* value);
/**
 * @brief Flat form of MiravSDKClient::GetLastFrameTimeStamp().
 * @param client The client from CreateClient().
 * @param value Receives the time stamp.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client or a null @p value.
 */
MIRAV_API int GetLastFrameTimeStamp(MiravSDKClient* client, int64_t* value);
/**
 * @brief Flat form of MiravSDKClient::GetStreamStatistics().
 * @param client The client from CreateClient().
 * @param stats The caller's record with @c size set to sizeof(sStreamStatistics).
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetStreamStatistics(MiravSDKClient* client, sStreamStatistics* stats);
/**
 * @brief Flat form of MiravSDKClient::MiravFreeFrame().
 * @param client The client from CreateClient().
 * @param frame A frame copied with Solvanta_CopyFrame().
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int MiravFreeFrame(MiravSDKClient* client, sFrameOfMocapData* frame);
/**
 * @brief Flat form of MiravSDKClient::MiravSDKVersion().
 * @param client The client from CreateClient().
 * @param version At least 4 bytes.
 * @return MiravResult_Ok; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int MiravVersion(MiravSDKClient* client, unsigned char* version);
/**
 * @brief Flat form of MiravSDKClient::DecodeTimecode().
 * @param client The client from CreateClient().
 * @param timecode Packed timecode.
 * @param subframe Sub-frame.
 * @param hour Receives the hours.
 * @param minute Receives the minutes.
 * @param second Receives the seconds.
 * @param frame Receives the frames.
 * @param subframeOut Receives the sub-frame.
 * @return 1 on success, 0 when an output pointer is null, 2 for a null client.
 */
MIRAV_API int DecodeTimecode(MiravSDKClient* client, uint32_t timecode, uint32_t subframe,
                             int* hour, int* minute, int* second, int* frame, int* subframeOut);
/**
 * @brief Flat form of MiravSDKClient::TimecodeStringify().
 * @param client The client from CreateClient().
 * @param timecode Packed timecode.
 * @param subframe Sub-frame.
 * @param buffer Receives the text.
 * @param bufferSize Size of @p buffer in bytes.
 * @return 1 on success, 0 for a null buffer or a size below 1, 2 for a null client.
 */
MIRAV_API int TimecodeStringify(MiravSDKClient* client, uint32_t timecode, uint32_t subframe,
                                char* buffer, int bufferSize);

/* Look-ups by name on any frame record, and names of ids. */

/**
 * @brief Flat form of MiravSDKClient::FindRigidBodyByName().
 * @param client The client from CreateClient().
 * @param frame The frame record to search (a callback's, a copy or the current one).
 * @param name Rigid body name.
 * @param rigidBody Receives a pointer into @p frame.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int FindRigidBodyByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                                  const char* name, sRigidBodyData** rigidBody);
/**
 * @brief Flat form of MiravSDKClient::FindMarkerByName().
 * @param client The client from CreateClient().
 * @param frame The frame record to search.
 * @param markerSetName Marker set name.
 * @param markerName Marker name inside the set.
 * @param point Receives a pointer to the marker's x, y, z inside @p frame.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int FindMarkerByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                               const char* markerSetName, const char* markerName, float** point);
/**
 * @brief Flat form of MiravSDKClient::FindSkeletonBoneByName().
 * @param client The client from CreateClient().
 * @param frame The frame record to search.
 * @param skeletonName Skeleton name.
 * @param boneName Bone name inside that skeleton.
 * @param bone Receives a pointer to the bone inside @p frame.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int FindSkeletonBoneByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                                     const char* skeletonName, const char* boneName,
                                     sRigidBodyData** bone);
/**
 * @brief Flat form of MiravSDKClient::FindAnalogValueByName().
 * @param client The client from CreateClient().
 * @param frame The frame record to read.
 * @param channelName Channel name.
 * @param value Receives the value.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int FindAnalogValueByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                                    const char* channelName, float* value);
/**
 * @brief Flat form of MiravSDKClient::GetRigidBodyName().
 * @param client The client from CreateClient().
 * @param id Rigid body id.
 * @param name Receives the terminated name.
 * @param nameSize Size of @p name in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetRigidBodyName(MiravSDKClient* client, int id, char* name, int nameSize);
/**
 * @brief Flat form of MiravSDKClient::GetSkeletonName().
 * @param client The client from CreateClient().
 * @param skeletonId Skeleton id.
 * @param name Receives the terminated name.
 * @param nameSize Size of @p name in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetSkeletonName(MiravSDKClient* client, int skeletonId, char* name, int nameSize);
/**
 * @brief Flat form of MiravSDKClient::GetSkeletonBoneName().
 * @param client The client from CreateClient().
 * @param skeletonId Skeleton id.
 * @param boneId Bone id.
 * @param name Receives the terminated name.
 * @param nameSize Size of @p name in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetSkeletonBoneName(MiravSDKClient* client, int skeletonId, int boneId, char* name,
                                  int nameSize);
/**
 * @brief Flat form of MiravSDKClient::GetMarkerName().
 * @param client The client from CreateClient().
 * @param markerSetName Marker set name.
 * @param index Position of the marker in the set.
 * @param name Receives the terminated name.
 * @param nameSize Size of @p name in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetMarkerName(MiravSDKClient* client, const char* markerSetName, int index,
                            char* name, int nameSize);
/**
 * @brief Flat form of MiravSDKClient::GetAnalogChannelName().
 * @param client The client from CreateClient().
 * @param index Position in sFrameOfMocapData::analogData.
 * @param name Receives the terminated name.
 * @param nameSize Size of @p name in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetAnalogChannelName(MiravSDKClient* client, int index, char* name, int nameSize);
/**
 * @brief Flat form of MiravSDKClient::GetFrameHostTiming().
 * @param client The client from CreateClient().
 * @param frame The frame; only its @c frameNumber is read.
 * @param timing Receives the timing; the caller sets @c timing->size first.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetFrameHostTiming(MiravSDKClient* client, const sFrameOfMocapData* frame,
                                 sFrameHostTiming* timing);
/**
 * @brief Flat form of MiravSDKClient::HostTimeNow(): the host clock of sFrameHostTiming.
 * @return Seconds of std::chrono::steady_clock (CLOCK_MONOTONIC on Linux, the performance
 *   counter on Windows) from an arbitrary fixed origin.
 */
MIRAV_API double MiravHostTimeNow(void);

/**
 * @brief Flat form of MiravSDKClient::GetConnectionState().
 * @param client The client from CreateClient().
 * @param state Receives a MiravConnectionState value.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetConnectionState(MiravSDKClient* client, int* state);
/**
 * @brief Flat form of MiravSDKClient::SetConnectionStateCallback().
 * @param client The client from CreateClient().
 * @param callback Called once per change of the client's state, or null.
 * @param userData Passed to every call.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetConnectionStateCallback(MiravSDKClient* client,
                                         MiravConnectionStateCallback callback, void* userData);
/**
 * @brief Flat form of MiravSDKClient::SetStallTimeout().
 * @param client The client from CreateClient().
 * @param milliseconds The stall time; 0 turns stall detection off.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetStallTimeout(MiravSDKClient* client, int milliseconds);
/**
 * @brief Flat form of MiravSDKClient::SetAutoReconnect().
 * @param client The client from CreateClient().
 * @param enabled Non-zero turns automatic reconnection on.
 * @param retryIntervalMs Milliseconds between handshakes (0: 1000).
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetAutoReconnect(MiravSDKClient* client, int enabled, int retryIntervalMs);
/**
 * @brief Flat form of MiravSDKClient::SetRequestTimeout().
 * @param client The client from CreateClient().
 * @param milliseconds The wait for each reply.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetRequestTimeout(MiravSDKClient* client, int milliseconds);
/**
 * @brief Flat form of MiravSDKClient::GetLastErrorText().
 * @param client The client from CreateClient().
 * @param buffer Receives the terminated sentence.
 * @param size Size of @p buffer in bytes.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int GetLastErrorText(MiravSDKClient* client, char* buffer, int size);
/**
 * @brief Flat form of MiravSDKClient::SetFrameQueueCapacity().
 * @param client The client from CreateClient().
 * @param frames 1 to 32.
 * @return As the member; MiravResult_InvalidArgument for a null client.
 */
MIRAV_API int SetFrameQueueCapacity(MiravSDKClient* client, int frames);

#ifdef __cplusplus
}
#endif

#endif
