// Bounds-checked little-endian reader over received bytes. Every read first checks that the bytes
// are there (without overflowing the arithmetic), then copies them; a failed read leaves the
// position unchanged and returns false.
#ifndef MIRAV_PROTOCOL_BYTE_READER_H
#define MIRAV_PROTOCOL_BYTE_READER_H

#include <cstddef>
#include <cstdint>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "Bulk copies assume a little-endian host, like the wire format."
#endif

namespace mirav {

class ByteReader {
public:
    // A null data pointer is treated as an empty input.
    ByteReader(const uint8_t* data, size_t length);

    size_t Position() const { return position_; }
    size_t Remaining() const { return end_ - position_; }
    size_t Length() const { return end_; }
    bool HasBytes(size_t n) const { return n <= Remaining(); }
    // True when count elements of elementSize bytes are left (no overflow for any count).
    bool HasElements(size_t count, size_t elementSize) const;

    bool Skip(size_t n);
    bool ReadBytes(void* out, size_t n);
    // Copies count elements of elementSize bytes each, as a block.
    bool ReadElements(void* out, size_t count, size_t elementSize);

    bool ReadUInt8(uint8_t* value);
    bool ReadUInt16(uint16_t* value);
    bool ReadInt16(int16_t* value);
    bool ReadUInt32(uint32_t* value);
    bool ReadInt32(int32_t* value);
    bool ReadInt64(int64_t* value);
    bool ReadFloat(float* value);

private:
    const uint8_t* data_;
    size_t position_;
    size_t end_;
};

}  // namespace mirav

#endif
