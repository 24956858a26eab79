// Little-endian writer used by the server-side encoders. It is independent of the library's
// reader on purpose: tests that pass its output through the decoders check both sides.
#ifndef MIRAV_SIM_ENCODERS_WIRE_H
#define MIRAV_SIM_ENCODERS_WIRE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mirav::sim {

struct Point {
    float x = 0;
    float y = 0;
    float z = 0;
};

class WireWriter {
public:
    void UInt8(uint8_t value) { bytes_.push_back(value); }
    void UInt16(uint16_t value) { Unsigned(value, 2); }
    void Int16(int16_t value) { Unsigned(static_cast<uint16_t>(value), 2); }
    void UInt32(uint32_t value) { Unsigned(value, 4); }
    void Int32(int32_t value) { Unsigned(static_cast<uint32_t>(value), 4); }
    void Int64(int64_t value) { Unsigned(static_cast<uint64_t>(value), 8); }
    void Float(float value) {
        uint32_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        UInt32(raw);
    }
    void PointXyz(const Point& p) {
        Float(p.x);
        Float(p.y);
        Float(p.z);
    }
    void Bytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Bytes(const std::vector<uint8_t>& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    // A fixed 256-byte text field: the text (cut to 255 bytes), then zeros.
    void Name(const std::string& text) {
        char field[256] = {};
        std::memcpy(field, text.data(), text.size() < 255 ? text.size() : 255);
        Bytes(field, sizeof field);
    }

    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Data() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    void Unsigned(uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }

    std::vector<uint8_t> bytes_;
};

}  // namespace mirav::sim

#endif
