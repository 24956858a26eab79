#include "protocol/ByteReader.h"

#include <cstring>

namespace mirav {

ByteReader::ByteReader(const uint8_t* data, size_t length)
    : data_(data), position_(0), end_(data != nullptr ? length : 0) {}

bool ByteReader::HasElements(size_t count, size_t elementSize) const {
    if (elementSize == 0) {
        return true;
    }
    return count <= Remaining() / elementSize;
}

bool ByteReader::Skip(size_t n) {
    if (n > Remaining()) {
        return false;
    }
    position_ += n;
    return true;
}

bool ByteReader::ReadBytes(void* out, size_t n) {
    if (n > Remaining()) {
        return false;
    }
    if (n > 0) {
        std::memcpy(out, data_ + position_, n);
    }
    position_ += n;
    return true;
}

bool ByteReader::ReadElements(void* out, size_t count, size_t elementSize) {
    if (!HasElements(count, elementSize)) {
        return false;
    }
    return ReadBytes(out, count * elementSize);
}

bool ByteReader::ReadUInt8(uint8_t* value) { return ReadBytes(value, 1); }

bool ByteReader::ReadUInt16(uint16_t* value) {
    uint8_t b[2];
    if (!ReadBytes(b, sizeof b)) {
        return false;
    }
    *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool ByteReader::ReadInt16(int16_t* value) {
    uint16_t raw;
    if (!ReadUInt16(&raw)) {
        return false;
    }
    std::memcpy(value, &raw, sizeof raw);
    return true;
}

bool ByteReader::ReadUInt32(uint32_t* value) {
    uint8_t b[4];
    if (!ReadBytes(b, sizeof b)) {
        return false;
    }
    *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
             (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool ByteReader::ReadInt32(int32_t* value) {
    uint32_t raw;
    if (!ReadUInt32(&raw)) {
        return false;
    }
    std::memcpy(value, &raw, sizeof raw);
    return true;
}

bool ByteReader::ReadInt64(int64_t* value) {
    uint8_t b[8];
    if (!ReadBytes(b, sizeof b)) {
        return false;
    }
    uint64_t raw = 0;
    for (int i = 7; i >= 0; --i) {
        raw = (raw << 8) | b[i];
    }
    std::memcpy(value, &raw, sizeof raw);
    return true;
}

bool ByteReader::ReadFloat(float* value) {
    uint32_t raw;
    if (!ReadUInt32(&raw)) {
        return false;
    }
    std::memcpy(value, &raw, sizeof raw);
    return true;
}

}  // namespace mirav
