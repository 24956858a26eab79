// Allocation, release and copy of frame records and their heap arrays.
#ifndef MIRAV_RECORDS_FRAME_MEMORY_H
#define MIRAV_RECORDS_FRAME_MEMORY_H

#include "mirav/MiravTypes.h"
#include "records/FrameWalk.h"

namespace mirav {

// A zero-filled record on the heap (throws std::bad_alloc when memory runs out).
sFrameOfMocapData* AllocateDecodedFrame();
// Releases every array of a decoded frame (count-0 ones included), then the record; null is
// ignored.
void ReleaseDecodedFrame(sFrameOfMocapData* frame);

// Releases the frame's arrays under the count-0 rule and nulls their pointers; the rest of the
// record is left as it is.
void ReleaseFrameArrays(sFrameOfMocapData& frame, CountZeroArrays rule);

// After a whole-record copy, gives the record its own copy of every array the walk visits under
// the rule; under kVisit, arrays with a count of 0 become null, under kSkip they stay shared.
// On an allocation failure every array not yet copied is set to null (the record then owns all
// its non-shared arrays and can be released) and std::bad_alloc propagates.
void DuplicateFrameArrays(sFrameOfMocapData& frame, CountZeroArrays rule);

// The store's copy: the whole source record over the record, counts clamped to the capacities,
// then arrays of its own for every array of positive count (null for the others). On an
// allocation failure the record can be released with ReleaseRecordArrays; the exception
// propagates.
void CopyFrameIntoRecord(const sFrameOfMocapData& source, sFrameOfMocapData& record);

// Clamps every count of the record to its capacity (negative counts become 0).
void ClampFrameCounts(sFrameOfMocapData& record);

// Releases every array the record owns (counts clamped, null pointers skipped) and nulls the
// pointers; the rest of the record is left as it is.
inline void ReleaseRecordArrays(sFrameOfMocapData& record) {
    ReleaseFrameArrays(record, CountZeroArrays::kVisit);
}

// Sets every byte of the record to zero.
void ClearRecord(sFrameOfMocapData& record);

}  // namespace mirav

#endif
