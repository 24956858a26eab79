/**
 * @file MiravTypes.h
 * @brief Records exchanged with applications, and the callback signatures.
 *
 * The records form a binary interface: every size and offset is fixed and checked at compile
 * time (MiravLayoutChecks.h). Positions, units, axes and flag bits are passed through as the
 * server sends them; docs/units-axes-flags.md says what they mean.
 */
#ifndef MIRAV_TYPES_H
#define MIRAV_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
/** @brief The null pointer of the including language. */
#define MIRAV_NULL nullptr
#else
#include <stdbool.h>
/** @brief The null pointer of the including language. */
#define MIRAV_NULL NULL
#endif

/** @brief Most descriptions in one sDataDescriptions. */
#define MAX_MODELS 200
/** @brief Most marker sets in one frame. */
#define MAX_MARKERSETS 200
/** @brief Most rigid bodies in one frame. */
#define MAX_RIGIDBODIES 1000
/** @brief Most skeletons in one frame. */
#define MAX_SKELETONS 100
/** @brief Most bones in one skeleton. */
#define MAX_SKELRIGIDBODIES 200
/** @brief Most labelled markers in one frame. */
#define MAX_LABELED_MARKERS 1000
/** @brief Most unlabelled markers in one frame. */
#define MAX_UNLABELED_MARKERS 1000
/** @brief Most markers in one marker set or rigid body. */
#define MAX_MARKERS 200
/** @brief Most analog values in one frame. */
#define MAX_ANALOG_CHANNELS 32
/** @brief Size of every name buffer, terminating zero included. */
#define MAX_NAMELENGTH 256
/** @brief Most force plates in one sForcePlates. */
#define MAX_FORCEPLATES 8
/** @brief Most extended-data blocks in one frame. */
#define MAX_EXTEND_BLOCKS 10
/** @brief Most items in one extended-data block. */
#define MAX_EXTEND_ITEMS 1000
/** @brief Most channels in one force plate description. */
#define MAX_FORCEPLATE_CHANNELS 32

/** @brief A point: x, y, z, in the server's length unit. */
typedef float MarkerData[3];

/** @brief One marker set inside a frame. */
typedef struct sMarkerSetData {
    char name[MAX_NAMELENGTH]; /**< Marker set name, as in its description. */
    int32_t markerCount;       /**< Number of points in @c markers. */
    int32_t pad0;              /**< Padding. */
    MarkerData* markers;       /**< The points, in the order of the description's marker names. */
} sMarkerSetData;

/** @brief One rigid body pose; also the element type of a skeleton's bones. */
typedef struct sRigidBodyData {
    int32_t id;          /**< Rigid body (or bone) id, as in its description. */
    float x;             /**< Position x. */
    float y;             /**< Position y. */
    float z;             /**< Position z. */
    float qx;            /**< Orientation quaternion x. */
    float qy;            /**< Orientation quaternion y. */
    float qz;            /**< Orientation quaternion z. */
    float qw;            /**< Orientation quaternion w. */
    int32_t markerCount; /**< Number of entries in the three marker arrays. */
    int32_t pad0;        /**< Padding. */
    MarkerData* markers; /**< Marker positions. */
    int32_t* markerIds;  /**< Marker ids. */
    float* markerSizes;  /**< Marker sizes. */
    float meanError;     /**< Mean marker error, as the server reports it. */
    int16_t params;      /**< Flags; bit 0 (value 1) set: tracked in this frame. */
    int16_t pad1;        /**< Padding. */
#ifdef __cplusplus
    /** @brief Clears the array pointers and the flags; the rest is left as allocated. */
    sRigidBodyData() : markers(nullptr), markerIds(nullptr), markerSizes(nullptr), params(0) {}
#endif
} sRigidBodyData;

/** @brief One skeleton inside a frame. */
typedef struct sSkeletonData {
    int32_t skeletonId;            /**< Skeleton id, as in its description. */
    int32_t rigidBodyCount;        /**< Number of bones in @c rigidBodyData. */
    sRigidBodyData* rigidBodyData; /**< The bones; find one by its @c id. */
} sSkeletonData;

/** @brief One labelled marker. */
typedef struct sMarker {
    int32_t id;       /**< Marker id. */
    float x;          /**< Position x. */
    float y;          /**< Position y. */
    float z;          /**< Position z. */
    float size;       /**< Marker size (diameter), in the server's length unit. */
    int32_t reserved; /**< Passed through. */
} sMarker;

/** @brief Extended kinematics of one rigid body, passed through from the server. */
typedef struct sRigidBodyExtendData {
    int32_t id;           /**< Rigid body id. */
    float roll;           /**< Roll angle. */
    float pitch;          /**< Pitch angle. */
    float yaw;            /**< Yaw angle. */
    float rollVel;        /**< Roll velocity. */
    float pitchVel;       /**< Pitch velocity. */
    float yawVel;         /**< Yaw velocity. */
    float rollAvel;       /**< Roll acceleration. */
    float pitchAvel;      /**< Pitch acceleration. */
    float yawAvel;        /**< Yaw acceleration. */
    float xVel;           /**< Velocity along x. */
    float yVel;           /**< Velocity along y. */
    float zVel;           /**< Velocity along z. */
    float rVel;           /**< Resultant velocity. */
    float xAvel;          /**< Acceleration along x. */
    float yAvel;          /**< Acceleration along y. */
    float zAvel;          /**< Acceleration along z. */
    float rAvel;          /**< Resultant acceleration. */
    uint8_t reserved[16]; /**< Passed through. */
} sRigidBodyExtendData;

/** @brief One block of extended data; only type 1 (rigid-body kinematics) fills items. */
typedef struct sExtendDataBlock {
    int32_t type;                                 /**< Block type; 1: rigid-body kinematics. */
    int32_t itemCount;                            /**< Number of filled @c items. */
    int32_t byteLength;                           /**< Length of the block on the wire. */
    int32_t pad0;                                 /**< Padding. */
    sRigidBodyExtendData items[MAX_EXTEND_ITEMS]; /**< The items. */
} sExtendDataBlock;

/** @brief Extended data embedded in every frame. */
typedef struct sFrameExtendData {
    int32_t extendDataNum;                      /**< Number of filled @c blocks. */
    int32_t pad0;                               /**< Padding. */
    sExtendDataBlock blocks[MAX_EXTEND_BLOCKS]; /**< The blocks. */
} sFrameExtendData;

/** @brief One frame of motion-capture data. */
typedef struct sFrameOfMocapData {
    int32_t frameNumber;                         /**< Frame number from the server. */
    int32_t markerSetCount;                      /**< Number of filled @c mocapData entries. */
    sMarkerSetData mocapData[MAX_MARKERSETS];    /**< Marker sets. */
    int32_t otherMarkerCount;                    /**< Number of unlabelled markers. */
    int32_t pad0;                                /**< Padding. */
    MarkerData* otherMarkers;                    /**< Unlabelled markers. */
    int32_t rigidBodyCount;                      /**< Number of filled @c rigidBodies entries. */
    int32_t pad1;                                /**< Padding. */
    sRigidBodyData rigidBodies[MAX_RIGIDBODIES]; /**< Rigid bodies. */
    int32_t skeletonCount;                       /**< Number of filled @c skeletons entries. */
    int32_t pad2;                                /**< Padding. */
    sSkeletonData skeletons[MAX_SKELETONS];      /**< Skeletons. */
    int32_t labeledMarkerCount;                  /**< Number of filled @c labeledMarkers. */
    sMarker labeledMarkers[MAX_LABELED_MARKERS]; /**< Labelled markers. */
    int32_t analogDataCount;                     /**< Number of filled @c analogData values. */
    float analogData[MAX_ANALOG_CHANNELS];       /**< Analog values left after force plates. */
    float latency;                               /**< Latency, passed through from the server. */
    uint32_t timecode;                           /**< Packed timecode (see DecodeTimecode). */
    uint32_t timecodeSubframe;                   /**< Timecode sub-frame. */
    int32_t pad3;                                /**< Padding. */
    int64_t timeStamp;                           /**< Time stamp, passed through from the server. */
    int16_t params;              /**< Frame flags, passed through from the server. */
    uint8_t pad4[6];             /**< Padding. */
    sFrameExtendData extendData; /**< Extended rigid-body kinematics. */
} sFrameOfMocapData;

/**
 * @brief When a frame was captured and received, in seconds of the host clock that
 * MiravHostTimeNow() reads.
 *
 * The caller sets @c size to sizeof(sFrameHostTiming) before asking; the library fills the fields
 * that fit in @c size. The record may grow at its end in later versions.
 */
typedef struct sFrameHostTiming {
    uint32_t size; /**< Size of the record the caller passes, in bytes (set by the caller). */
    uint32_t pad0; /**< Padding. */
    /** Estimated host time at which the frame was captured: the line through the earliest
     *  arrivals of the stream, so queueing and scheduling delays are removed. Never later than
     *  @c arrivalTime; never earlier than the capture time of an earlier frame of the client. */
    double captureTime;
    /** Bound on the error of @c captureTime in seconds, met by at least 99 % of frames once the
     *  estimate has settled (10 ms during the first few tenths of a second of a stream). */
    double captureUncertainty;
    /** Time at which the first datagram of the frame reached the host (the kernel's receive
     *  time where the system reports it). */
    double arrivalTime;
    /** Time at which the library handed the frame to the application. */
    double deliveryTime;
    /** Estimated frame rate of the stream in frames per second; 0 while unknown. */
    double estimatedRate;
} sFrameHostTiming;

/** @brief Kinds of data description (sDataDescription::type). */
typedef enum DataDescriptors {
    Descriptor_MarkerSet = 0,   /**< sMarkerSetDescription */
    Descriptor_RigidBody = 1,   /**< sRigidBodyDescription */
    Descriptor_Skeleton = 2,    /**< sSkeletonDescription */
    Descriptor_ForcePlate = 3,  /**< sForcePlateDescription (also analog devices) */
    Descriptor_PositionSet = 4, /**< sPositionSetDescription */
    Descriptor_Opaque = 5       /**< sOpaqueDescription */
} DataDescriptors;

/** @brief Description of a marker set: its name and the names of its markers. */
typedef struct sMarkerSetDescription {
    char name[MAX_NAMELENGTH]; /**< Marker set name. */
    int32_t markerCount;       /**< Number of marker names. */
    int32_t pad0;              /**< Padding. */
    char** markerNames;        /**< markerCount pointers, each to a char[MAX_NAMELENGTH] */
} sMarkerSetDescription;

/** @brief Description of a rigid body (or of one bone of a skeleton). */
typedef struct sRigidBodyDescription {
    char name[MAX_NAMELENGTH]; /**< Rigid body or bone name. */
    int32_t id;                /**< Id carried by the frames' sRigidBodyData::id. */
    int32_t parentId;          /**< Parent id; -1 for none. */
    float offsetX;             /**< Offset from the parent, x. */
    float offsetY;             /**< Offset from the parent, y. */
    float offsetZ;             /**< Offset from the parent, z. */
    float qx;                  /**< Orientation quaternion x. */
    float qy;                  /**< Orientation quaternion y. */
    float qz;                  /**< Orientation quaternion z. */
    float qw;                  /**< Orientation quaternion w. */
} sRigidBodyDescription;

/** @brief Description of a skeleton and its bones. */
typedef struct sSkeletonDescription {
    char name[MAX_NAMELENGTH];                              /**< Skeleton name. */
    int32_t skeletonId;                                     /**< Id carried by the frames. */
    int32_t rigidBodyCount;                                 /**< Number of bones. */
    sRigidBodyDescription rigidBodies[MAX_SKELRIGIDBODIES]; /**< The bones. */
} sSkeletonDescription;

/** @brief Force plate (or analog device) description, held exactly as the server sends it. */
typedef struct sForcePlateDescription {
    uint8_t reserved0[4];    /**< Passed through. */
    int32_t channelScale;    /**< Scale of the raw channel values. */
    uint8_t reserved1[8];    /**< Passed through. */
    float origin[3];         /**< Origin of the plate. */
    float geometry[3];       /**< Geometry of the plate. */
    float orientation[9];    /**< Rotation into the world frame, row by row. */
    float calibration[8][8]; /**< Calibration matrix. */
    uint8_t reserved2[48];   /**< Passed through. */
    int32_t plateKind;       /**< 3: eight-channel plate, 4: six-channel plate, 0: analog device. */
    uint8_t reserved3[4];    /**< Passed through. */
    int32_t channelCount;    /**< Number of channel names. */
    char channelNames[MAX_FORCEPLATE_CHANNELS][MAX_NAMELENGTH]; /**< Channel names; a name's
                                                                     position selects its value
                                                                     in the frame's analogData. */
} sForcePlateDescription;

/** @brief Description of a set of fixed points. */
typedef struct sPositionSetDescription {
    char name[MAX_NAMELENGTH]; /**< Position set name. */
    int32_t pointCount;        /**< Number of points. */
    int32_t pad0;              /**< Padding. */
    MarkerData* points;        /**< The points. */
} sPositionSetDescription;

/** @brief Opaque description, held exactly as sent. */
typedef struct sOpaqueDescription {
    uint8_t data[20]; /**< The bytes. */
} sOpaqueDescription;

/** @brief One description: its kind and a pointer to the typed record. */
typedef struct sDataDescription {
    int32_t type; /**< a DataDescriptors value */
    int32_t pad0; /**< Padding. */
    /** @brief The typed record, selected by @c type. */
    union {
        sMarkerSetDescription* MarkerSetDescription;     /**< Descriptor_MarkerSet */
        sRigidBodyDescription* RigidBodyDescription;     /**< Descriptor_RigidBody */
        sSkeletonDescription* SkeletonDescription;       /**< Descriptor_Skeleton */
        sForcePlateDescription* ForcePlateDescription;   /**< Descriptor_ForcePlate */
        sPositionSetDescription* PositionSetDescription; /**< Descriptor_PositionSet */
        sOpaqueDescription* OpaqueDescription;           /**< Descriptor_Opaque */
        void* Any;                                       /**< Any kind */
    } Data;
} sDataDescription;

/** @brief A set of descriptions, as returned by GetDataDescriptions(). */
typedef struct sDataDescriptions {
    int32_t descriptionCount;                  /**< Number of filled @c descriptions. */
    int32_t pad0;                              /**< Padding. */
    sDataDescription descriptions[MAX_MODELS]; /**< The descriptions, in the server's order. */
} sDataDescriptions;

#pragma pack(push, 1)
/** @brief The server's identity; byte-packed. */
typedef struct sServerDescription {
    bool hostPresent;                      /**< The server filled the record. */
    char hostComputerName[MAX_NAMELENGTH]; /**< Host computer name. */
    uint8_t hostComputerAddress[4];        /**< Host IPv4 address, first byte first. */
    char hostApp[MAX_NAMELENGTH];          /**< Server application name. */
    uint8_t hostAppVersion[4];             /**< Server application version. */
    uint8_t sdkVersion[4];                 /**< SDK version bytes from the server. */
} sServerDescription;
#pragma pack(pop)

/** @brief Force plate results of one plate. */
typedef struct sForcePlateData {
    float fx;   /**< Force x. */
    float fy;   /**< Force y. */
    float fz;   /**< Force z. */
    float copX; /**< Centre of pressure x. */
    float copY; /**< Centre of pressure y. */
    float copZ; /**< Centre of pressure z. */
    float tz;   /**< Free moment about z. */
} sForcePlateData;

/** @brief Force plate results for one frame. */
typedef struct sForcePlates {
    int32_t frameNumber;                          /**< The frame the results belong to. */
    int32_t forcePlateCount;                      /**< Number of filled @c forcePlates. */
    sForcePlateData forcePlates[MAX_FORCEPLATES]; /**< One entry per prepared plate. */
} sForcePlates;

/** @brief A notification from the server, passed through as received. */
typedef struct sNotifyMsg {
    uint8_t data[136]; /**< The bytes. */
} sNotifyMsg;

/** @brief One analog-channel frame, passed through as received. */
typedef struct sFrameOfAnalogChannelData {
    uint8_t data[9640]; /**< The bytes. */
} sFrameOfAnalogChannelData;

/**
 * @brief Counters of what one client received, from its construction on (they keep counting
 * across Initialize() and Uninitialize()). The caller sets @c size to
 * sizeof(sStreamStatistics) before asking; later versions of the library may add fields at the
 * end and write only as many as @c size covers.
 */
typedef struct sStreamStatistics {
    uint32_t size;                 /**< Set by the caller to sizeof(sStreamStatistics). */
    uint32_t kernelDropsReported;  /**< 1 when this system reports kernel receive-buffer drops. */
    uint64_t datagramsReceived;    /**< Datagrams received from the server. */
    uint64_t bytesReceived;        /**< Bytes of those datagrams, headers included. */
    uint64_t framesDelivered;      /**< Frames handed to the data callback and frame store. */
    uint64_t framesMissing;        /**< Frame numbers skipped (gaps in frame numbers). */
    uint64_t framesOutOfOrder;     /**< Frames older than or equal to the newest delivered. */
    uint64_t framesDroppedByQueue; /**< Frames dropped from the frame queue unpolled. */
    uint64_t messagesAbandoned;    /**< Messages given up incomplete. */
    uint64_t messagesKernelDiscarded;   /**< Messages discarded: the kernel dropped datagrams during
                                           them. */
    uint64_t datagramsMalformed;        /**< Datagrams dropped as malformed. */
    uint64_t fragmentsRepeated;         /**< Repeated fragments ignored. */
    uint64_t datagramsForeign;          /**< Datagrams from senders other than the server. */
    uint64_t kernelDrops;               /**< Datagrams the kernel dropped (receive buffer full). */
    int64_t millisecondsSinceLastFrame; /**< Time since the last frame arrived; -1 before any. */
} sStreamStatistics;

/** @brief Data callback: a received frame, valid only during the call. */
typedef void (*MiravDataCallback)(sFrameOfMocapData* frame, void* userData);
/** @brief Force plate callback: the plates computed for one frame, valid only during the call. */
typedef void (*MiravForcePlateCallback)(sForcePlates* forcePlates, void* userData);
/** @brief Notify callback: a server notification, valid only during the call. */
typedef void (*MiravNotifyMsgCallback)(sNotifyMsg* message, void* userData);
/** @brief Analog channel callback: an analog message, valid only during the call. */
typedef void (*MiravAnalogChCallback)(sFrameOfAnalogChannelData* analog, void* userData);
/** @brief Message callback: a diagnostic line and its level, valid only during the call. */
typedef void (*MiravMessageCallback)(int level, char* message);

/**
 * @brief The connection state of one client (see MiravSDKClient::GetConnectionState()).
 */
typedef enum MiravConnectionState {
    /** Not initialised, or the server refused the client after a reconnection. */
    MiravConnectionState_Disconnected = 0,
    /** Initialize() is running, or it succeeded and no frame has arrived yet. */
    MiravConnectionState_Connecting = 1,
    /** Frames arrive. */
    MiravConnectionState_Streaming = 2,
    /** Connected, but no frame arrived for the stall time (MiravSDKClient::SetStallTimeout()). */
    MiravConnectionState_Stalled = 3,
    /** Automatic reconnection is repeating the connect handshake, or waits for the first frame
     *  after the server answered it. */
    MiravConnectionState_Reconnecting = 4
} MiravConnectionState;

/**
 * @brief Connection state callback: called once per change of a client's state, on a library
 * thread with no library lock held.
 * @param state The new state, a MiravConnectionState value.
 * @param previousState The state before the change.
 * @param userData The pointer given with the callback.
 */
typedef void (*MiravConnectionStateCallback)(int state, int previousState, void* userData);

#ifdef __cplusplus
#include "MiravLayoutChecks.h"
#endif

#endif
