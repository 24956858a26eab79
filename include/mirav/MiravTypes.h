// Records exchanged with applications. They form a binary interface: every size and offset is
// fixed and checked at compile time at the end of this header.
#ifndef MIRAV_TYPES_H
#define MIRAV_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define MIRAV_NULL nullptr
#else
#include <stdbool.h>
#define MIRAV_NULL NULL
#endif

#define MAX_MODELS 200
#define MAX_MARKERSETS 200
#define MAX_RIGIDBODIES 1000
#define MAX_SKELETONS 100
#define MAX_SKELRIGIDBODIES 200
#define MAX_LABELED_MARKERS 1000
#define MAX_UNLABELED_MARKERS 1000
#define MAX_MARKERS 200
#define MAX_ANALOG_CHANNELS 32
#define MAX_NAMELENGTH 256
#define MAX_FORCEPLATES 8
#define MAX_EXTEND_BLOCKS 10
#define MAX_EXTEND_ITEMS 1000
#define MAX_FORCEPLATE_CHANNELS 32

/* A point: x, y, z. */
typedef float MarkerData[3];

/* One marker set inside a frame. */
typedef struct sMarkerSetData {
    char name[MAX_NAMELENGTH];
    int32_t markerCount;
    int32_t pad0;
    MarkerData* markers;
} sMarkerSetData;

/* One rigid body pose; also the element type of a skeleton's bones. */
typedef struct sRigidBodyData {
    int32_t id;
    float x, y, z;
    float qx, qy, qz, qw;
    int32_t markerCount;
    int32_t pad0;
    MarkerData* markers;
    int32_t* markerIds;
    float* markerSizes;
    float meanError;
    int16_t params;
    int16_t pad1;
#ifdef __cplusplus
    /* Default construction clears the array pointers and the flags; the rest is left as allocated.
     */
    sRigidBodyData() : markers(nullptr), markerIds(nullptr), markerSizes(nullptr), params(0) {}
#endif
} sRigidBodyData;

/* One skeleton inside a frame. */
typedef struct sSkeletonData {
    int32_t skeletonId;
    int32_t rigidBodyCount;
    sRigidBodyData* rigidBodyData;
} sSkeletonData;

/* One labelled marker. */
typedef struct sMarker {
    int32_t id;
    float x, y, z;
    float size;
    int32_t reserved;
} sMarker;

/* Extended kinematics of one rigid body, passed through from the server. */
typedef struct sRigidBodyExtendData {
    int32_t id;
    float roll, pitch, yaw;
    float rollVel, pitchVel, yawVel;
    float rollAvel, pitchAvel, yawAvel;
    float xVel, yVel, zVel, rVel;
    float xAvel, yAvel, zAvel, rAvel;
    uint8_t reserved[16];
} sRigidBodyExtendData;

/* One block of extended data; only type 1 (rigid-body kinematics) fills items. */
typedef struct sExtendDataBlock {
    int32_t type;
    int32_t itemCount;
    int32_t byteLength;
    int32_t pad0;
    sRigidBodyExtendData items[MAX_EXTEND_ITEMS];
} sExtendDataBlock;

/* Extended data embedded in every frame. */
typedef struct sFrameExtendData {
    int32_t extendDataNum;
    int32_t pad0;
    sExtendDataBlock blocks[MAX_EXTEND_BLOCKS];
} sFrameExtendData;

/* One frame of motion-capture data. */
typedef struct sFrameOfMocapData {
    int32_t frameNumber;
    int32_t markerSetCount;
    sMarkerSetData mocapData[MAX_MARKERSETS];
    int32_t otherMarkerCount;
    int32_t pad0;
    MarkerData* otherMarkers;
    int32_t rigidBodyCount;
    int32_t pad1;
    sRigidBodyData rigidBodies[MAX_RIGIDBODIES];
    int32_t skeletonCount;
    int32_t pad2;
    sSkeletonData skeletons[MAX_SKELETONS];
    int32_t labeledMarkerCount;
    sMarker labeledMarkers[MAX_LABELED_MARKERS];
    int32_t analogDataCount;
    float analogData[MAX_ANALOG_CHANNELS];
    float latency;
    uint32_t timecode;
    uint32_t timecodeSubframe;
    int32_t pad3;
    int64_t timeStamp;
    int16_t params;
    uint8_t pad4[6];
    sFrameExtendData extendData;
} sFrameOfMocapData;

/* Kinds of data description. */
typedef enum DataDescriptors {
    Descriptor_MarkerSet = 0,
    Descriptor_RigidBody = 1,
    Descriptor_Skeleton = 2,
    Descriptor_ForcePlate = 3,
    Descriptor_PositionSet = 4,
    Descriptor_Opaque = 5
} DataDescriptors;

typedef struct sMarkerSetDescription {
    char name[MAX_NAMELENGTH];
    int32_t markerCount;
    int32_t pad0;
    char** markerNames; /* markerCount pointers, each to a char[MAX_NAMELENGTH] */
} sMarkerSetDescription;

typedef struct sRigidBodyDescription {
    char name[MAX_NAMELENGTH];
    int32_t id;
    int32_t parentId;
    float offsetX, offsetY, offsetZ;
    float qx, qy, qz, qw;
} sRigidBodyDescription;

typedef struct sSkeletonDescription {
    char name[MAX_NAMELENGTH];
    int32_t skeletonId;
    int32_t rigidBodyCount;
    sRigidBodyDescription rigidBodies[MAX_SKELRIGIDBODIES];
} sSkeletonDescription;

/* Force plate description, held exactly as the server sends it. */
typedef struct sForcePlateDescription {
    uint8_t reserved0[4];
    int32_t channelScale;
    uint8_t reserved1[8];
    float origin[3];
    float geometry[3];
    float orientation[9];
    float calibration[8][8];
    uint8_t reserved2[48];
    int32_t plateKind;
    uint8_t reserved3[4];
    int32_t channelCount;
    char channelNames[MAX_FORCEPLATE_CHANNELS][MAX_NAMELENGTH];
} sForcePlateDescription;

typedef struct sPositionSetDescription {
    char name[MAX_NAMELENGTH];
    int32_t pointCount;
    int32_t pad0;
    MarkerData* points;
} sPositionSetDescription;

/* Opaque description, held exactly as sent. */
typedef struct sOpaqueDescription {
    uint8_t data[20];
} sOpaqueDescription;

typedef struct sDataDescription {
    int32_t type; /* a DataDescriptors value */
    int32_t pad0;
    union {
        sMarkerSetDescription* MarkerSetDescription;
        sRigidBodyDescription* RigidBodyDescription;
        sSkeletonDescription* SkeletonDescription;
        sForcePlateDescription* ForcePlateDescription;
        sPositionSetDescription* PositionSetDescription;
        sOpaqueDescription* OpaqueDescription;
        void* Any;
    } Data;
} sDataDescription;

typedef struct sDataDescriptions {
    int32_t descriptionCount;
    int32_t pad0;
    sDataDescription descriptions[MAX_MODELS];
} sDataDescriptions;

/* The server's identity; byte-packed. */
#pragma pack(push, 1)
typedef struct sServerDescription {
    bool hostPresent;
    char hostComputerName[MAX_NAMELENGTH];
    uint8_t hostComputerAddress[4];
    char hostApp[MAX_NAMELENGTH];
    uint8_t hostAppVersion[4];
    uint8_t sdkVersion[4];
} sServerDescription;
#pragma pack(pop)

/* Force plate results of one plate. */
typedef struct sForcePlateData {
    float fx, fy, fz;
    float copX, copY, copZ;
    float tz;
} sForcePlateData;

/* Force plate results for one frame. */
typedef struct sForcePlates {
    int32_t frameNumber;
    int32_t forcePlateCount;
    sForcePlateData forcePlates[MAX_FORCEPLATES];
} sForcePlates;

/* A notification from the server, passed through as received. */
typedef struct sNotifyMsg {
    uint8_t data[136];
} sNotifyMsg;

/* One analog-channel frame, passed through as received. */
typedef struct sFrameOfAnalogChannelData {
    uint8_t data[9640];
} sFrameOfAnalogChannelData;

/* Callback signatures. */
typedef void (*MiravDataCallback)(sFrameOfMocapData* frame, void* userData);
typedef void (*MiravForcePlateCallback)(sForcePlates* forcePlates, void* userData);
typedef void (*MiravNotifyMsgCallback)(sNotifyMsg* message, void* userData);
typedef void (*MiravAnalogChCallback)(sFrameOfAnalogChannelData* analog, void* userData);
typedef void (*MiravMessageCallback)(int level, char* message);

#ifdef __cplusplus
#include "MiravLayoutChecks.h"
#endif

#endif
