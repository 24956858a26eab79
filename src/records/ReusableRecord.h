// A frame record that is filled again and again: its heap arrays are kept and reused while they
// are large enough, and clearing it touches only what earlier frames used, so every fill costs
// what the frame holds rather than the record's whole capacity.
#ifndef MIRAV_RECORDS_REUSABLE_RECORD_H
#define MIRAV_RECORDS_REUSABLE_RECORD_H

#include <cstddef>
#include <memory>
#include <vector>

#include "mirav/MiravTypes.h"
#include "records/FrameArraySource.h"

namespace mirav {

// A zero-filled record on the heap whose untouched pages stay unmapped; released with
// ReleaseZeroedRecord (not with the record allocator pair).
sFrameOfMocapData* AllocateZeroedRecord();
void ReleaseZeroedRecord(sFrameOfMocapData* record);

class ReusableRecord final : public FrameArraySource {
public:
    // The record must be all zero and outlive this object.
    explicit ReusableRecord(sFrameOfMocapData& record);
    // Releases every array held, as ReleaseArrays does.
    ~ReusableRecord();
    ReusableRecord(const ReusableRecord&) = delete;
    ReusableRecord& operator=(const ReusableRecord&) = delete;

    sFrameOfMocapData& Record() { return record_; }

    // Records how far the record is filled now. Call it after each fill: a later clear covers
    // at least this much even if the counts were lowered or zeroed in between.
    void NoteUse();
    // Makes every byte of the record zero again; the arrays are kept for the next fill.
    void Clear();
    // Releases every array held and zeroes the record.
    void ReleaseArrays();

    // Arrays for the next fill (after Clear). An array that was released behind this object
    // (Solvanta_FreeFrame on the record, which releases arrays of positive count only) is
    // forgotten at the next Clear, never released twice; the ones it leaves are kept.
    MarkerData* MarkerSetPoints(int set, size_t count) override;
    MarkerData* OtherPoints(size_t count) override;
    MarkerData* BodyPoints(BodyPlace place, size_t count) override;
    int32_t* BodyIds(BodyPlace place, size_t count) override;
    float* BodySizes(BodyPlace place, size_t count) override;
    sRigidBodyData* Bones(int skeleton, size_t count) override;

    template <class T>
    struct Slot {
        T* data = nullptr;
        size_t capacity = 0;
        size_t used = 0;        // elements the record was given when the array was attached
        bool attached = false;  // the record points at data
    };
    struct BodySlots {
        Slot<MarkerData> points;
        Slot<int32_t> ids;
        Slot<float> sizes;
    };
    struct SkeletonSlots {
        Slot<sRigidBodyData> bones;
        std::vector<BodySlots> boneArrays;
        size_t boneUse = 0;
    };

private:
    // Sections of the record written since the last clear, as entry counts.
    struct Use {
        int markerSets = 0;
        int rigidBodies = 0;
        int skeletons = 0;
        int labeledMarkers = 0;
        int extendBlocks = 0;
        int extendItems[MAX_EXTEND_BLOCKS] = {};
    };

    BodySlots& BodyAt(BodyPlace place);
    // Detaches every array from the record, forgetting those the record no longer points at.
    void Detach();
    void ZeroUsedParts();

    sFrameOfMocapData& record_;
    std::vector<Slot<MarkerData>> setPoints_;
    Slot<MarkerData> otherPoints_;
    std::vector<BodySlots> bodies_;
    std::vector<SkeletonSlots> skeletons_;
    Use use_;
};

// A reusable record of its own on the heap, for a decoder that keeps one record for every frame.
class OwnedReusableRecord {
public:
    OwnedReusableRecord() : record_(AllocateZeroedRecord()), arrays_(*record_) {}
    ReusableRecord& Get() { return arrays_; }

private:
    struct Deleter {
        void operator()(sFrameOfMocapData* record) const { ReleaseZeroedRecord(record); }
    };
    // Declared first, so the arrays are released before the record goes.
    std::unique_ptr<sFrameOfMocapData, Deleter> record_;
    ReusableRecord arrays_;
};

}  // namespace mirav

#endif
