#include "store/FrameRecordCopy.h"

#include <algorithm>
#include <cstring>

#include "api/RecordMemory.h"

namespace mirav {
namespace {

int Clamp(int32_t count, int capacity) { return std::max(0, std::min<int32_t>(count, capacity)); }

template <class T>
T* DuplicateArray(const T* source, int32_t count) {
    if (source == nullptr || count <= 0) return nullptr;
    T* copy = NewArray<T>(static_cast<size_t>(count));
    std::memcpy(static_cast<void*>(copy), source, sizeof(T) * static_cast<size_t>(count));
    return copy;
}

void ClearBodyArrays(sRigidBodyData& body) {
    body.markers = nullptr;
    body.markerIds = nullptr;
    body.markerSizes = nullptr;
}

void CopyBodyArrays(const sRigidBodyData& source, sRigidBodyData& body) {
    body.markers = DuplicateArray(source.markers, source.markerCount);
    body.markerIds = DuplicateArray(source.markerIds, source.markerCount);
    body.markerSizes = DuplicateArray(source.markerSizes, source.markerCount);
}

void ReleaseBodyArrays(sRigidBodyData& body) {
    DeleteArray(body.markers);
    DeleteArray(body.markerIds);
    DeleteArray(body.markerSizes);
    ClearBodyArrays(body);
}

// After the whole-record copy every pointer still names the source's arrays; clearing them all
// before the first allocation keeps the record releasable whichever allocation fails.
void ClearArrayPointers(sFrameOfMocapData& record) {
    for (int i = 0, n = ClampedMarkerSetCount(record); i < n; ++i) {
        record.mocapData[i].markers = nullptr;
    }
    record.otherMarkers = nullptr;
    for (int i = 0, n = ClampedRigidBodyCount(record); i < n; ++i) {
        ClearBodyArrays(record.rigidBodies[i]);
    }
    for (int i = 0, n = ClampedSkeletonCount(record); i < n; ++i) {
        record.skeletons[i].rigidBodyData = nullptr;
    }
}

// Counts above a capacity are treated as the capacity, so nobody reading the record runs past
// an embedded array or past the bone arrays the store allocates.
void ClampCounts(sFrameOfMocapData& record) {
    record.markerSetCount = ClampedMarkerSetCount(record);
    record.rigidBodyCount = ClampedRigidBodyCount(record);
    record.skeletonCount = ClampedSkeletonCount(record);
    for (int i = 0; i < record.skeletonCount; ++i) {
        record.skeletons[i].rigidBodyCount = ClampedBoneCount(record.skeletons[i]);
    }
    record.labeledMarkerCount = Clamp(record.labeledMarkerCount, MAX_LABELED_MARKERS);
    record.analogDataCount = ClampedAnalogCount(record);
}

void CopySkeletonBones(const sSkeletonData& source, sSkeletonData& skeleton) {
    const int boneCount = ClampedBoneCount(source);
    if (source.rigidBodyData == nullptr || boneCount == 0) return;
    sRigidBodyData* bones = NewArray<sRigidBodyData>(static_cast<size_t>(boneCount));
    for (int j = 0; j < boneCount; ++j) {
        bones[j] = source.rigidBodyData[j];
        ClearBodyArrays(bones[j]);
    }
    skeleton.rigidBodyData = bones;
    for (int j = 0; j < boneCount; ++j) {
        CopyBodyArrays(source.rigidBodyData[j], bones[j]);
    }
}

}  // namespace

int ClampedMarkerSetCount(const sFrameOfMocapData& frame) {
    return Clamp(frame.markerSetCount, MAX_MARKERSETS);
}
int ClampedRigidBodyCount(const sFrameOfMocapData& frame) {
    return Clamp(frame.rigidBodyCount, MAX_RIGIDBODIES);
}
int ClampedSkeletonCount(const sFrameOfMocapData& frame) {
    return Clamp(frame.skeletonCount, MAX_SKELETONS);
}
int ClampedBoneCount(const sSkeletonData& skeleton) {
    return Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
}
int ClampedAnalogCount(const sFrameOfMocapData& frame) {
    return Clamp(frame.analogDataCount, MAX_ANALOG_CHANNELS);
}

bool FrameHasContent(const sFrameOfMocapData& frame) {
    return frame.markerSetCount > 0 || frame.rigidBodyCount > 0 || frame.skeletonCount > 0 ||
           frame.otherMarkerCount > 0;
}

void CopyFrameIntoRecord(const sFrameOfMocapData& source, sFrameOfMocapData& record) {
    record = source;
    ClampCounts(record);
    ClearArrayPointers(record);
    for (int i = 0, n = ClampedMarkerSetCount(source); i < n; ++i) {
        record.mocapData[i].markers =
            DuplicateArray(source.mocapData[i].markers, source.mocapData[i].markerCount);
    }
    record.otherMarkers = DuplicateArray(source.otherMarkers, source.otherMarkerCount);
    for (int i = 0, n = ClampedRigidBodyCount(source); i < n; ++i) {
        CopyBodyArrays(source.rigidBodies[i], record.rigidBodies[i]);
    }
    for (int i = 0, n = ClampedSkeletonCount(source); i < n; ++i) {
        CopySkeletonBones(source.skeletons[i], record.skeletons[i]);
    }
}

void ReleaseRecordArrays(sFrameOfMocapData& record) {
    for (int i = 0, n = ClampedMarkerSetCount(record); i < n; ++i) {
        DeleteArray(record.mocapData[i].markers);
        record.mocapData[i].markers = nullptr;
    }
    DeleteArray(record.otherMarkers);
    record.otherMarkers = nullptr;
    for (int i = 0, n = ClampedRigidBodyCount(record); i < n; ++i) {
        ReleaseBodyArrays(record.rigidBodies[i]);
    }
    for (int i = 0, n = ClampedSkeletonCount(record); i < n; ++i) {
        sSkeletonData& skeleton = record.skeletons[i];
        if (skeleton.rigidBodyData == nullptr) continue;
        for (int j = 0, m = ClampedBoneCount(skeleton); j < m; ++j) {
            ReleaseBodyArrays(skeleton.rigidBodyData[j]);
        }
        DeleteArray(skeleton.rigidBodyData);
        skeleton.rigidBodyData = nullptr;
    }
}

void ClearRecord(sFrameOfMocapData& record) {
    std::memset(static_cast<void*>(&record), 0, sizeof(record));
}

}  // namespace mirav
