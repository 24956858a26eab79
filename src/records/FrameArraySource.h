// Where a frame decoder gets the heap arrays of the record it fills: fresh allocations for a
// record of its own, or arrays kept from earlier frames for a record that is reused.
#ifndef MIRAV_RECORDS_FRAME_ARRAY_SOURCE_H
#define MIRAV_RECORDS_FRAME_ARRAY_SOURCE_H

#include <cstddef>

#include "mirav/MiravTypes.h"

namespace mirav {

// A rigid body of the frame (skeleton < 0) or bone `index` of skeleton `skeleton`.
struct BodyPlace {
    int skeleton;
    int index;
};

class FrameArraySource {
public:
    // Every array returned holds at least count elements and stays valid until the record is
    // released or cleared; count 0 still gives a valid (non-null) array.
    virtual MarkerData* MarkerSetPoints(int set, size_t count) = 0;
    virtual MarkerData* OtherPoints(size_t count) = 0;
    virtual MarkerData* BodyPoints(BodyPlace place, size_t count) = 0;
    virtual int32_t* BodyIds(BodyPlace place, size_t count) = 0;
    virtual float* BodySizes(BodyPlace place, size_t count) = 0;
    // count bones, every byte zero except what the rigid body's constructor sets.
    virtual sRigidBodyData* Bones(int skeleton, size_t count) = 0;

protected:
    ~FrameArraySource() = default;
};

// Allocates every array anew through the record allocator; the record's release frees them.
class FreshFrameArrays final : public FrameArraySource {
public:
    MarkerData* MarkerSetPoints(int set, size_t count) override;
    MarkerData* OtherPoints(size_t count) override;
    MarkerData* BodyPoints(BodyPlace place, size_t count) override;
    int32_t* BodyIds(BodyPlace place, size_t count) override;
    float* BodySizes(BodyPlace place, size_t count) override;
    sRigidBodyData* Bones(int skeleton, size_t count) override;
};

}  // namespace mirav

#endif
