#include "records/FrameMemory.h"

#include <cstring>
#include <new>

#include "records/RecordMemory.h"

namespace mirav {
namespace {

struct ReleaseVisitor {
    template <class T>
    void Array(T*& array, int32_t) {
        DeleteArray(array);
        array = nullptr;
    }
    bool EnterBones(sRigidBodyData*&, int32_t) { return true; }
    void LeaveBones(sRigidBodyData*& bones) {
        DeleteArray(bones);
        bones = nullptr;
    }
};

// Replaces each visited pointer by a copy of what it points to. Once an allocation has failed,
// the remaining visited pointers (still the source's) are set to null instead.
struct DuplicateVisitor {
    bool failed = false;

    template <class T>
    T* Duplicate(const T* source, int32_t count) {
        if (failed || count <= 0) return nullptr;
        try {
            T* copy = NewArray<T>(static_cast<size_t>(count));
            std::memcpy(static_cast<void*>(copy), source, sizeof(T) * static_cast<size_t>(count));
            return copy;
        } catch (const std::bad_alloc&) {
            failed = true;
            return nullptr;
        }
    }
    template <class T>
    void Array(T*& array, int32_t count) {
        array = Duplicate(array, count);
    }
    bool EnterBones(sRigidBodyData*& bones, int32_t count) {
        bones = Duplicate(bones, count);
        return bones != nullptr;
    }
    void LeaveBones(sRigidBodyData*&) {}
};

}  // namespace

sFrameOfMocapData* AllocateDecodedFrame() {
    // new default-constructs the rigid bodies; the record is then cleared as a whole so every
    // count is 0 and every array pointer null.
    sFrameOfMocapData* frame = NewRecord<sFrameOfMocapData>();
    ClearRecord(*frame);
    return frame;
}

void ReleaseDecodedFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) return;
    ReleaseFrameArrays(*frame, CountZeroArrays::kVisit);
    DeleteRecord(frame);
}

void ReleaseFrameArrays(sFrameOfMocapData& frame, CountZeroArrays rule) {
    ReleaseVisitor visitor;
    WalkFrameArrays(frame, rule, visitor);
}

void DuplicateFrameArrays(sFrameOfMocapData& frame, CountZeroArrays rule) {
    DuplicateVisitor visitor;
    WalkFrameArrays(frame, rule, visitor);
    if (visitor.failed) throw std::bad_alloc();
}

void ClampFrameCounts(sFrameOfMocapData& record) {
    record.markerSetCount = ClampedMarkerSetCount(record);
    record.rigidBodyCount = ClampedRigidBodyCount(record);
    record.skeletonCount = ClampedSkeletonCount(record);
    for (int i = 0; i < record.skeletonCount; ++i) {
        record.skeletons[i].rigidBodyCount = ClampedBoneCount(record.skeletons[i]);
    }
    record.labeledMarkerCount = ClampedLabeledMarkerCount(record);
    record.analogDataCount = ClampedAnalogCount(record);
}

void CopyFrameIntoRecord(const sFrameOfMocapData& source, sFrameOfMocapData& record) {
    std::memcpy(static_cast<void*>(&record), &source, sizeof(record));
    ClampFrameCounts(record);
    DuplicateFrameArrays(record, CountZeroArrays::kVisit);
}

void ClearRecord(sFrameOfMocapData& record) {
    std::memset(static_cast<void*>(&record), 0, sizeof(record));
}

}  // namespace mirav
