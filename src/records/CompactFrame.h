// A frame kept in a form proportional to its content: one allocation holding the counted
// entries and arrays of a frame record, and nothing of its unused capacity.
#ifndef MIRAV_RECORDS_COMPACT_FRAME_H
#define MIRAV_RECORDS_COMPACT_FRAME_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "mirav/MiravTypes.h"
#include "records/ReusableRecord.h"

namespace mirav {

class CompactFrame {
public:
    CompactFrame() = default;

    // Packs the frame's counted content (counts clamped to the record's capacities). Entries
    // past the counts and extended-data items of blocks other than rigid-body kinematics are
    // not kept: a decoded frame holds zeros there. Throws std::bad_alloc.
    static CompactFrame Pack(const sFrameOfMocapData& frame);

    // Fills a cleared reused record with the packed frame: the bytes are those of a whole
    // copy of the packed frame followed by fresh copies of its arrays of positive count (null
    // for the others). Throws std::bad_alloc; the record can then be cleared as usual.
    void Unpack(ReusableRecord& record) const;

    int32_t FrameNumber() const;
    size_t Size() const { return size_; }
    bool Empty() const { return bytes_ == nullptr; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
};

}  // namespace mirav

#endif
