// The one walk over the heap arrays of a frame record. Every release and every copy of a frame
// goes through it; they differ only in what the visitor does and in the count-0 rule.
#ifndef MIRAV_RECORDS_FRAME_WALK_H
#define MIRAV_RECORDS_FRAME_WALK_H

#include "mirav/MiravTypes.h"
#include "records/FrameCounts.h"

namespace mirav {

// Whether arrays whose count is 0 (or negative) are visited. The decoder allocates zero-length
// arrays, which its release must free (kVisit); Solvanta_FreeFrame and Solvanta_CopyFrame leave
// them alone, because a copy shares them with its source (kSkip).
enum class CountZeroArrays { kSkip, kVisit };

// Visits every non-null array of the frame, within the clamped counts, in record order: each
// marker set's points, the unlabelled points, each rigid body's points, ids and sizes, then each
// skeleton's bone array with the arrays of its bones. A rigid body or bone is visited only when
// its marker count is positive under kSkip. The visitor provides:
//   template <class T> void Array(T*& array, int32_t count);
//   bool EnterBones(sRigidBodyData*& bones, int32_t count);  // true: walk the bones of *bones
//   void LeaveBones(sRigidBodyData*& bones);                  // after the bones were walked
// Array and EnterBones may replace the pointer (a copy) or release it and store null.
template <class Visitor>
void WalkFrameArrays(sFrameOfMocapData& frame, CountZeroArrays rule, Visitor& visitor) {
    const bool visitZero = rule == CountZeroArrays::kVisit;
    auto wanted = [visitZero](const void* array, int32_t count) {
        return array != nullptr && (count > 0 || visitZero);
    };
    auto body = [&](sRigidBodyData& rigidBody) {
        if (rigidBody.markerCount <= 0 && !visitZero) return;
        const int32_t count = rigidBody.markerCount;
        if (rigidBody.markers != nullptr) visitor.Array(rigidBody.markers, count);
        if (rigidBody.markerIds != nullptr) visitor.Array(rigidBody.markerIds, count);
        if (rigidBody.markerSizes != nullptr) visitor.Array(rigidBody.markerSizes, count);
    };
    for (int i = 0, n = ClampedMarkerSetCount(frame); i < n; ++i) {
        sMarkerSetData& set = frame.mocapData[i];
        if (wanted(set.markers, set.markerCount)) visitor.Array(set.markers, set.markerCount);
    }
    if (wanted(frame.otherMarkers, frame.otherMarkerCount)) {
        visitor.Array(frame.otherMarkers, frame.otherMarkerCount);
    }
    for (int i = 0, n = ClampedRigidBodyCount(frame); i < n; ++i) body(frame.rigidBodies[i]);
    for (int i = 0, n = ClampedSkeletonCount(frame); i < n; ++i) {
        sSkeletonData& skeleton = frame.skeletons[i];
        if (!wanted(skeleton.rigidBodyData, skeleton.rigidBodyCount)) continue;
        if (visitor.EnterBones(skeleton.rigidBodyData, skeleton.rigidBodyCount)) {
            for (int j = 0, m = ClampedBoneCount(skeleton); j < m; ++j) {
                body(skeleton.rigidBodyData[j]);
            }
        }
        visitor.LeaveBones(skeleton.rigidBodyData);
    }
}

}  // namespace mirav

#endif
