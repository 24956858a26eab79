// The flat interface: the client's operations as plain C functions taking the client first.
#ifndef MIRAV_FLAT_API_H
#define MIRAV_FLAT_API_H

#include "MiravExport.h"
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

MIRAV_API int CreateClient(MiravSDKClient** phClient);
MIRAV_API int DestroyClient(MiravSDKClient* client);
MIRAV_API int Initialize(MiravSDKClient* client, char* serverAddress);
MIRAV_API int Uninitialize(MiravSDKClient* client);
MIRAV_API int WaitForForcePlateInit(MiravSDKClient* client, int timeoutMs);
MIRAV_API int GetServerDescription(MiravSDKClient* client, sServerDescription* description);
MIRAV_API int GetDataDescriptions(MiravSDKClient* client, sDataDescriptions** pDataDescriptions);
MIRAV_API int GetDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions,
                                    sDataDescriptions** descriptions);
MIRAV_API int FreeDataDescriptions(MiravSDKClient* client, sDataDescriptions* pDataDescriptions);
MIRAV_API int FreeDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions);
MIRAV_API int GetTposeDataDescriptions(MiravSDKClient* client, char* name,
                                       sDataDescriptions** descriptions);
MIRAV_API int SetDataCallback(MiravSDKClient* client, MiravDataCallback callback, void* userData);
MIRAV_API int SetForcePlateCallback(MiravSDKClient* client, MiravForcePlateCallback callback,
                                    void* userData);
MIRAV_API int SetNotifyMsgCallback(MiravSDKClient* client, MiravNotifyMsgCallback callback,
                                   void* userData);
MIRAV_API int SetAnalogChCallback(MiravSDKClient* client, MiravAnalogChCallback callback,
                                  void* userData);
MIRAV_API int SetMessageCallback(MiravSDKClient* client, MiravMessageCallback callback);
MIRAV_API int SetVerbosityLevel(MiravSDKClient* client, int level);
MIRAV_API sFrameOfMocapData* GetLastFrameOfMocapData(MiravSDKClient* client);
MIRAV_API int GetLastFrameMarkerByName(MiravSDKClient* client, const char* markerSetName,
                                       const char* markerName, float** point);
MIRAV_API int GetLastFrameRigidBodyByName(MiravSDKClient* client, const char* name,
                                          sRigidBodyData** rigidBody);
MIRAV_API int GetLastFrameSkeletonByName(MiravSDKClient* client, const char* skeletonName,
                                         const char* boneName, sRigidBodyData** bone);
MIRAV_API int GetLastFrameAnalogdata(MiravSDKClient* client, const char* channelName, float* value);
MIRAV_API int GetLastFrameLabeledMarker(MiravSDKClient* client, sMarker** markers);
MIRAV_API int GetLastFrameUndefined(MiravSDKClient* client, int index, float** point);
MIRAV_API int GetLastFrameDataByType(MiravSDKClient* client, int type, int* value);
MIRAV_API int GetLastFrameLatency(MiravSDKClient* client, float* value);
MIRAV_API int GetLastFrameSubframe(MiravSDKClient* client, uint32_t* value);
MIRAV_API int GetLastFrameTimecode(MiravSDKClient* client, uint32_t* value);
MIRAV_API int GetLastFrameTimeStamp(MiravSDKClient* client, int64_t* value);
MIRAV_API int MiravFreeFrame(MiravSDKClient* client, sFrameOfMocapData* frame);
MIRAV_API int MiravVersion(MiravSDKClient* client, unsigned char* version);
MIRAV_API int DecodeTimecode(MiravSDKClient* client, uint32_t timecode, uint32_t subframe,
                             int* hour, int* minute, int* second, int* frame, int* subframeOut);
MIRAV_API int TimecodeStringify(MiravSDKClient* client, uint32_t timecode, uint32_t subframe,
                                char* buffer, int bufferSize);

#ifdef __cplusplus
}
#endif

#endif
