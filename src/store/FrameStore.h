// The process-wide frame store: pending-frame queue, current frame record, description cache,
// name indexes, by-name look-ups and per-frame accessors.
#ifndef MIRAV_STORE_FRAME_STORE_H
#define MIRAV_STORE_FRAME_STORE_H

#include <cstdint>

#include "mirav/MiravTypes.h"

class FrameStore {
public:
    FrameStore();
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // Takes ownership of a decoded frame; keeps the newest 32 pending frames.
    void PushFrame(sFrameOfMocapData* frame);
    // Makes the oldest pending frame current and returns the current record, or null.
    sFrameOfMocapData* TakeFrame();
    // Replaces the description cache by a decoding of the data and rebuilds its indexes.
    void SetDescriptions(const uint8_t* data, int32_t length);

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

    // (private members to be completed with the store)
};

#endif
