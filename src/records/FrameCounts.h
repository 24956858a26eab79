// Counts of a frame record clamped to its fixed capacities, and the test for a frame with content.
#ifndef MIRAV_RECORDS_FRAME_COUNTS_H
#define MIRAV_RECORDS_FRAME_COUNTS_H

#include <algorithm>
#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// count limited to [0, capacity]: negative counts give 0.
inline int ClampCount(int32_t count, int capacity) {
    return std::max(0, std::min<int32_t>(count, capacity));
}

inline int ClampedMarkerSetCount(const sFrameOfMocapData& frame) {
    return ClampCount(frame.markerSetCount, MAX_MARKERSETS);
}
inline int ClampedRigidBodyCount(const sFrameOfMocapData& frame) {
    return ClampCount(frame.rigidBodyCount, MAX_RIGIDBODIES);
}
inline int ClampedSkeletonCount(const sFrameOfMocapData& frame) {
    return ClampCount(frame.skeletonCount, MAX_SKELETONS);
}
inline int ClampedBoneCount(const sSkeletonData& skeleton) {
    return ClampCount(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
}
inline int ClampedLabeledMarkerCount(const sFrameOfMocapData& frame) {
    return ClampCount(frame.labeledMarkerCount, MAX_LABELED_MARKERS);
}
inline int ClampedAnalogCount(const sFrameOfMocapData& frame) {
    return ClampCount(frame.analogDataCount, MAX_ANALOG_CHANNELS);
}

// True when the frame has marker sets, rigid bodies, skeletons or unlabelled markers.
inline bool FrameHasContent(const sFrameOfMocapData& frame) {
    return frame.markerSetCount > 0 || frame.rigidBodyCount > 0 || frame.skeletonCount > 0 ||
           frame.otherMarkerCount > 0;
}

}  // namespace mirav

#endif
