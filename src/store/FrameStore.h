// The process-wide frame store: pending-frame queue, current frame record, description cache,
// name indexes, by-name look-ups and per-frame accessors.
#ifndef MIRAV_STORE_FRAME_STORE_H
#define MIRAV_STORE_FRAME_STORE_H

#include <cstdint>
#include <deque>
#include <memory>

#include "mirav/MiravTypes.h"
#include "platform/Sync.h"
#include "records/CompactFrame.h"

namespace mirav {
struct FrameIndexes;
struct DescriptionIndexes;
class ReusableRecord;
}  // namespace mirav

class FrameStore {
public:
    // By default at most this many frames wait in the queue; a push beyond the bound drops the
    // oldest.
    static constexpr size_t kMaxPendingFrames = 32;

    FrameStore();
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // How many frames wait in the queue (1..kMaxPendingFrames); a smaller capacity drops the
    // oldest pending frames at once. With 1, TakeFrame always gives the newest frame.
    bool SetQueueCapacity(size_t frames);
    size_t QueueCapacity();
    // Queues a copy of the frame in compact form (one allocation proportional to its content);
    // keeps the newest frames up to the queue capacity. The caller keeps the frame.
    void PushFrame(const sFrameOfMocapData& frame);
    // Queues the frame as above and releases it (a decoded frame); null is ignored.
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

private:
    // Releases the arrays the current frame record owns and zeroes it (frame lock held).
    void ReleaseCurrentFrame();
    // Drops the frame indexes when the record was emptied behind the store (frame lock held).
    void ForgetEmptiedRecord();

    // The cached descriptions and the indexes derived from them; guarded by descriptionLock_.
    sDataDescriptions* descriptions_ = nullptr;
    std::unique_ptr<mirav::DescriptionIndexes> descriptionIndexes_;

    // The current frame record, the queue and the frame indexes; guarded by frameLock_. The
    // record lives as long as the store at one address; its arrays are kept by currentArrays_
    // and reused from take to take.
    sFrameOfMocapData& current_;
    std::unique_ptr<mirav::ReusableRecord> currentArrays_;
    std::deque<mirav::CompactFrame> pending_;
    size_t pendingLimit_ = kMaxPendingFrames;
    std::unique_ptr<mirav::FrameIndexes> frameIndexes_;
    // True while the current record holds heap arrays of the store (see ForgetEmptiedRecord).
    bool currentOwnsArrays_ = false;

    // Lock order: frameLock_ before descriptionLock_, never the other way round.
    System::CMutex frameLock_;
    System::CMutex descriptionLock_;

public:
    // Look-ups on any frame record and names of ids (FrameStoreAnyFrame.cpp, FrameStoreNames.cpp).
    int FindRigidBodyByName(const sFrameOfMocapData* frame, const char* name,
                            sRigidBodyData** rigidBody);
    int FindMarkerByName(const sFrameOfMocapData* frame, const char* markerSetName,
                         const char* markerName, float** point);
    int FindSkeletonBoneByName(const sFrameOfMocapData* frame, const char* skeletonName,
                               const char* boneName, sRigidBodyData** bone);
    int FindAnalogValueByName(const sFrameOfMocapData* frame, const char* channelName,
                              float* value);
    int GetRigidBodyName(int32_t id, char* name, int size);
    int GetSkeletonName(int32_t skeletonId, char* name, int size);
    int GetSkeletonBoneName(int32_t skeletonId, int32_t boneId, char* name, int size);
    int GetMarkerName(const char* markerSetName, int32_t index, char* name, int size);
    int GetAnalogChannelName(int32_t index, char* name, int size);

private:
    // Holds the frame lock while a look-up reads the store's current record.
    class AnyFrameGuard;
    // The cached skeleton description of an id, or null (description lock held).
    const sSkeletonDescription* DescribedSkeleton(int32_t skeletonId) const;
};

#endif
