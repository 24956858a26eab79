// Deep copy and release of the current frame record's heap arrays. The record owns its own copy
// of every array whose count is positive; every other array pointer in it is null.
#ifndef MIRAV_STORE_FRAME_RECORD_COPY_H
#define MIRAV_STORE_FRAME_RECORD_COPY_H

#include "mirav/MiravTypes.h"

namespace mirav {

// Counts clamped to the record's fixed capacities (negative counts give 0).
int ClampedMarkerSetCount(const sFrameOfMocapData& frame);
int ClampedRigidBodyCount(const sFrameOfMocapData& frame);
int ClampedSkeletonCount(const sFrameOfMocapData& frame);
int ClampedBoneCount(const sSkeletonData& skeleton);
int ClampedAnalogCount(const sFrameOfMocapData& frame);

// True when the frame has marker sets, rigid bodies, skeletons or unlabelled markers.
bool FrameHasContent(const sFrameOfMocapData& frame);

// Copies the whole source record over the record, then gives the record its own copies of the
// source's arrays. On an allocation failure the record holds only arrays of its own (and nulls),
// so ReleaseRecordArrays can clean it up; the exception propagates.
void CopyFrameIntoRecord(const sFrameOfMocapData& source, sFrameOfMocapData& record);

// Releases every array the record owns (counts clamped, null pointers skipped) and nulls the
// pointers; the rest of the record is left as it is.
void ReleaseRecordArrays(sFrameOfMocapData& record);

// Sets every byte of the record to zero.
void ClearRecord(sFrameOfMocapData& record);

}  // namespace mirav

#endif
