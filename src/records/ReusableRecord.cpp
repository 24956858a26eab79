#include "records/ReusableRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "records/FrameCounts.h"
#include "records/RecordMemory.h"

namespace mirav {
namespace {

// Arrays grow in steps of this many elements, so small changes from frame to frame reuse them.
constexpr size_t kCapacityStep = 16;

template <class T>
using Slot = ReusableRecord::Slot<T>;

// The slot's array, grown when it holds fewer than count elements, now attached to the record.
template <class T>
T* Attach(Slot<T>& slot, size_t count) {
    if (slot.data == nullptr || slot.capacity < count) {
        DeleteArray(slot.data);
        slot.data = nullptr;
        slot.capacity = 0;
        const size_t capacity = (count + kCapacityStep - 1) / kCapacityStep * kCapacityStep;
        slot.data = NewArray<T>(capacity);
        slot.capacity = capacity;
    }
    slot.used = count;
    slot.attached = true;
    return slot.data;
}

// An attached array of positive count that the record no longer points at was released by
// someone else (Solvanta_FreeFrame); one of count 0 is left alone by that release and stays ours.
template <class T>
void Forget(Slot<T>& slot) {
    if (slot.attached && slot.used > 0) {
        slot.data = nullptr;
        slot.capacity = 0;
    }
    slot.attached = false;
}

template <class T>
void Verify(Slot<T>& slot, const T* field) {
    if (slot.attached && field == slot.data) {
        slot.attached = false;
        return;
    }
    Forget(slot);
}

template <class T>
void Release(Slot<T>& slot) {
    DeleteArray(slot.data);
    slot = Slot<T>();
}

void VerifyBody(ReusableRecord::BodySlots& slots, const sRigidBodyData& body) {
    Verify(slots.points, body.markers);
    Verify(slots.ids, body.markerIds);
    Verify(slots.sizes, body.markerSizes);
}

void ReleaseBody(ReusableRecord::BodySlots& slots) {
    Release(slots.points);
    Release(slots.ids);
    Release(slots.sizes);
}

template <class T>
void ZeroFields(T& object, size_t from, size_t bytes) {
    std::memset(reinterpret_cast<unsigned char*>(&object) + from, 0, bytes);
}

template <class T>
void ZeroEntries(T* entries, int count) {
    if (count > 0) std::memset(static_cast<void*>(entries), 0, sizeof(T) * count);
}

template <class Vector>
auto& Grown(Vector& vector, size_t index) {
    if (vector.size() <= index) vector.resize(index + 1);
    return vector[index];
}

}  // namespace

sFrameOfMocapData* AllocateZeroedRecord() {
    // calloc hands out large blocks as fresh zero pages, so only the pages a frame writes are
    // ever mapped; a record is valid when all its bytes are zero.
    void* memory = std::calloc(1, sizeof(sFrameOfMocapData));
    if (memory == nullptr) throw std::bad_alloc();
    return static_cast<sFrameOfMocapData*>(memory);
}

void ReleaseZeroedRecord(sFrameOfMocapData* record) { std::free(record); }

ReusableRecord::ReusableRecord(sFrameOfMocapData& record) : record_(record) {}

ReusableRecord::~ReusableRecord() { ReleaseArrays(); }

void ReusableRecord::NoteUse() {
    use_.markerSets = std::max(use_.markerSets, ClampedMarkerSetCount(record_));
    use_.rigidBodies = std::max(use_.rigidBodies, ClampedRigidBodyCount(record_));
    use_.skeletons = std::max(use_.skeletons, ClampedSkeletonCount(record_));
    use_.labeledMarkers = std::max(use_.labeledMarkers, ClampedLabeledMarkerCount(record_));
    const sFrameExtendData& extend = record_.extendData;
    const int blocks = ClampCount(extend.extendDataNum, MAX_EXTEND_BLOCKS);
    use_.extendBlocks = std::max(use_.extendBlocks, blocks);
    for (int b = 0; b < blocks; ++b) {
        // Only rigid-body kinematics blocks carry items.
        const sExtendDataBlock& block = extend.blocks[b];
        const int items = block.type == 1 ? ClampCount(block.itemCount, MAX_EXTEND_ITEMS) : 0;
        use_.extendItems[b] = std::max(use_.extendItems[b], items);
    }
}

void ReusableRecord::Detach() {
    // Arrays are attached only within the counts noted here: a fill stores each count before
    // it asks for the arrays of that section.
    NoteUse();
    const size_t sets = std::min(setPoints_.size(), static_cast<size_t>(use_.markerSets));
    for (size_t i = 0; i < sets; ++i) Verify(setPoints_[i], record_.mocapData[i].markers);
    Verify(otherPoints_, record_.otherMarkers);
    const size_t bodies = std::min(bodies_.size(), static_cast<size_t>(use_.rigidBodies));
    for (size_t i = 0; i < bodies; ++i) VerifyBody(bodies_[i], record_.rigidBodies[i]);
    const size_t skeletons = std::min(skeletons_.size(), static_cast<size_t>(use_.skeletons));
    for (size_t s = 0; s < skeletons; ++s) {
        SkeletonSlots& skeleton = skeletons_[s];
        const bool ours =
            skeleton.bones.attached && record_.skeletons[s].rigidBodyData == skeleton.bones.data;
        if (ours) {
            for (size_t j = 0; j < skeleton.boneUse; ++j) {
                VerifyBody(skeleton.boneArrays[j], skeleton.bones.data[j]);
            }
        } else {
            // A bone array released behind us took the arrays attached to its bones along.
            for (size_t j = 0; j < skeleton.boneUse; ++j) {
                BodySlots& bone = skeleton.boneArrays[j];
                Forget(bone.points);
                Forget(bone.ids);
                Forget(bone.sizes);
            }
            Forget(skeleton.bones);
        }
        skeleton.bones.attached = false;
        skeleton.boneUse = 0;
    }
}

void ReusableRecord::ZeroUsedParts() {
    sFrameOfMocapData& r = record_;
    ZeroFields(r, 0, offsetof(sFrameOfMocapData, mocapData));
    ZeroEntries(r.mocapData, use_.markerSets);
    ZeroFields(
        r, offsetof(sFrameOfMocapData, otherMarkerCount),
        offsetof(sFrameOfMocapData, rigidBodies) - offsetof(sFrameOfMocapData, otherMarkerCount));
    ZeroEntries(r.rigidBodies, use_.rigidBodies);
    ZeroFields(r, offsetof(sFrameOfMocapData, skeletonCount),
               offsetof(sFrameOfMocapData, skeletons) - offsetof(sFrameOfMocapData, skeletonCount));
    ZeroEntries(r.skeletons, use_.skeletons);
    ZeroFields(r, offsetof(sFrameOfMocapData, labeledMarkerCount),
               offsetof(sFrameOfMocapData, labeledMarkers) -
                   offsetof(sFrameOfMocapData, labeledMarkerCount));
    ZeroEntries(r.labeledMarkers, use_.labeledMarkers);
    // The analog values are cleared whole: the force plate step moves them within the array.
    const size_t tail = offsetof(sFrameOfMocapData, analogDataCount);
    const size_t blocks =
        offsetof(sFrameOfMocapData, extendData) + offsetof(sFrameExtendData, blocks);
    ZeroFields(r, tail, blocks - tail);
    for (int b = 0; b < use_.extendBlocks; ++b) {
        sExtendDataBlock& block = r.extendData.blocks[b];
        ZeroFields(block, 0, offsetof(sExtendDataBlock, items));
        ZeroEntries(block.items, use_.extendItems[b]);
    }
    use_ = Use();
}

void ReusableRecord::Clear() {
    Detach();
    ZeroUsedParts();
}

void ReusableRecord::ReleaseArrays() {
    Detach();
    for (Slot<MarkerData>& slot : setPoints_) Release(slot);
    Release(otherPoints_);
    for (BodySlots& body : bodies_) ReleaseBody(body);
    for (SkeletonSlots& skeleton : skeletons_) {
        for (BodySlots& bone : skeleton.boneArrays) ReleaseBody(bone);
        Release(skeleton.bones);
    }
    setPoints_.clear();
    bodies_.clear();
    skeletons_.clear();
    ZeroUsedParts();
}

MarkerData* ReusableRecord::MarkerSetPoints(int set, size_t count) {
    return Attach(Grown(setPoints_, static_cast<size_t>(set)), count);
}

MarkerData* ReusableRecord::OtherPoints(size_t count) { return Attach(otherPoints_, count); }

ReusableRecord::BodySlots& ReusableRecord::BodyAt(BodyPlace place) {
    if (place.skeleton < 0) return Grown(bodies_, static_cast<size_t>(place.index));
    return Grown(skeletons_[place.skeleton].boneArrays, static_cast<size_t>(place.index));
}

MarkerData* ReusableRecord::BodyPoints(BodyPlace place, size_t count) {
    return Attach(BodyAt(place).points, count);
}

int32_t* ReusableRecord::BodyIds(BodyPlace place, size_t count) {
    return Attach(BodyAt(place).ids, count);
}

float* ReusableRecord::BodySizes(BodyPlace place, size_t count) {
    return Attach(BodyAt(place).sizes, count);
}

sRigidBodyData* ReusableRecord::Bones(int skeleton, size_t count) {
    SkeletonSlots& slots = Grown(skeletons_, static_cast<size_t>(skeleton));
    sRigidBodyData* bones = Attach(slots.bones, count);
    std::memset(static_cast<void*>(bones), 0, sizeof(sRigidBodyData) * count);
    if (slots.boneArrays.size() < count) slots.boneArrays.resize(count);
    slots.boneUse = std::max(slots.boneUse, count);
    return bones;
}

}  // namespace mirav
