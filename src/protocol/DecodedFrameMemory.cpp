// Allocation and release of decoded frame records and their arrays.
#include <algorithm>
#include <cstring>

#include "api/RecordMemory.h"
#include "protocol/FrameDecoder.h"

namespace mirav {
namespace {

int32_t Clamp(int32_t count, int32_t capacity) { return std::min(std::max(count, 0), capacity); }

void ReleaseRigidBodyArrays(sRigidBodyData* body) {
    DeleteArray(body->markers);
    DeleteArray(body->markerIds);
    DeleteArray(body->markerSizes);
    body->markers = nullptr;
    body->markerIds = nullptr;
    body->markerSizes = nullptr;
}

}  // namespace

sFrameOfMocapData* AllocateDecodedFrame() {
    // new default-constructs the rigid bodies; the record is then cleared as a whole so every
    // count is 0 and every array pointer null.
    sFrameOfMocapData* frame = NewRecord<sFrameOfMocapData>();
    std::memset(static_cast<void*>(frame), 0, sizeof(sFrameOfMocapData));
    return frame;
}

void ReleaseDecodedFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) {
        return;
    }
    const int32_t markerSets = Clamp(frame->markerSetCount, MAX_MARKERSETS);
    for (int32_t i = 0; i < markerSets; ++i) {
        DeleteArray(frame->mocapData[i].markers);
    }
    DeleteArray(frame->otherMarkers);
    const int32_t rigidBodies = Clamp(frame->rigidBodyCount, MAX_RIGIDBODIES);
    for (int32_t i = 0; i < rigidBodies; ++i) {
        ReleaseRigidBodyArrays(&frame->rigidBodies[i]);
    }
    const int32_t skeletons = Clamp(frame->skeletonCount, MAX_SKELETONS);
    for (int32_t i = 0; i < skeletons; ++i) {
        sSkeletonData& skeleton = frame->skeletons[i];
        if (skeleton.rigidBodyData == nullptr) {
            continue;
        }
        const int32_t bones = Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
        for (int32_t b = 0; b < bones; ++b) {
            ReleaseRigidBodyArrays(&skeleton.rigidBodyData[b]);
        }
        DeleteArray(skeleton.rigidBodyData);
    }
    DeleteRecord(frame);
}

}  // namespace mirav
