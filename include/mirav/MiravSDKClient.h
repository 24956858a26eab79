// The client class: connects to a capture server and gives access to its frames.
#ifndef MIRAV_SDK_CLIENT_H
#define MIRAV_SDK_CLIENT_H

#include "MiravExport.h"
#include "MiravTypes.h"
#include "MiravUtilities.h"

class ClientCore;

class MIRAV_API MiravSDKClient {
public:
    MiravSDKClient();
    ~MiravSDKClient();
    // Both objects then share one core; only one of them may be destroyed.
    MiravSDKClient& operator=(const MiravSDKClient& other);
    MiravSDKClient(const MiravSDKClient&) = delete;

    int Initialize(char* serverAddress);
    int Uninitialize();
    int WaitForForcePlateInit(int timeoutMs);

    int GetServerDescription(sServerDescription* description);
    int GetDataDescriptions(sDataDescriptions** descriptions);
    int GetDataDescriptionsEx(sDataDescriptions** descriptions);
    int GetTposeDataDescriptions(char* name, sDataDescriptions** descriptions);
    int FreeDataDescriptions(sDataDescriptions* descriptions);

    int SetDataCallback(MiravDataCallback callback, void* userData);
    int SetForcePlateCallback(MiravForcePlateCallback callback, void* userData);
    int SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData);
    int SetAnalogChCallback(MiravAnalogChCallback callback, void* userData);
    int SetMessageCallback(MiravMessageCallback callback);
    void SetVerbosityLevel(int level);

    sFrameOfMocapData* GetLastFrameOfMocapData();
    int GetLastFrameMarkerByName(const char* markerSetName, const char* markerName, float** point);
    int GetLastFrameRigidBodyByName(const char* name, sRigidBodyData** rigidBody);
    int GetLastFrameSkeletonByName(const char* skeletonName, const char* boneName,
                                   sRigidBodyData** bone);
    int GetLastFrameAnalogdata(const char* channelName, float* value);
    int GetLastFrameDataByType(int type);
    int GetLastFrameExtendData(sFrameExtendData& extendData);
    int GetLastFrameLabeledMarker(sMarker** markers);
    float GetLastFrameLatency();
    uint32_t GetLastFrameSubframe();
    int64_t GetLastFrameTimeStamp();
    uint32_t GetLastFrameTimecode();
    int GetLastFrameUndefined(int index, float** point);

    int MiravCopyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination);
    int MiravFreeFrame(sFrameOfMocapData* frame);
    void MiravSDKVersion(unsigned char* version);
    bool DecodeTimecode(uint32_t timecode, uint32_t subframe, int* hour, int* minute, int* second,
                        int* frame, int* subframeOut);
    bool TimecodeStringify(uint32_t timecode, uint32_t subframe, char* buffer, int bufferSize);

private:
    ClientCore* core_;
};

#endif
