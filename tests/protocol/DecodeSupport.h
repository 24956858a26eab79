// Helpers for the decoder tests: owners that release decoded records, decoding from an
// exactly-sized heap copy (so AddressSanitizer reports any read past the given length), and
// patching of little-endian fields in encoded bodies.
#ifndef MIRAV_TESTS_PROTOCOL_DECODE_SUPPORT_H
#define MIRAV_TESTS_PROTOCOL_DECODE_SUPPORT_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "mirav/MiravUtilities.h"
#include "protocol/DescriptionDecoder.h"
#include "protocol/FrameDecoder.h"

namespace mirav::test {

constexpr uint32_t kServerVersion3 = 3;  // first version byte 3: no extension
constexpr uint32_t kServerVersion4 = 4;  // first version byte 4: extension read

struct FrameReleaser {
    void operator()(sFrameOfMocapData* frame) const { ReleaseDecodedFrame(frame); }
};
using FramePtr = std::unique_ptr<sFrameOfMocapData, FrameReleaser>;

struct DescriptionsReleaser {
    void operator()(sDataDescriptions* set) const { Solvanta_FreeDescriptions(set); }
};
using DescriptionsPtr = std::unique_ptr<sDataDescriptions, DescriptionsReleaser>;

struct FrameResult {
    int result = -1;
    int32_t consumed = -1;
    FramePtr frame;
};

struct DescriptionsResult {
    int result = -1;
    int32_t consumed = -1;
    DescriptionsPtr set;
};

// Decodes the first length bytes of bytes from a heap buffer of exactly that size.
inline FrameResult DecodeFrameBytes(const std::vector<uint8_t>& bytes, size_t length,
                                    uint32_t serverVersion) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    if (length > 0) {
        std::memcpy(exact.get(), bytes.data(), length);
    }
    FrameResult out;
    sFrameOfMocapData* frame = nullptr;
    out.result = DecodeFrame(exact.get(), static_cast<int32_t>(length), serverVersion, &frame,
                             &out.consumed);
    out.frame.reset(frame);
    return out;
}

inline FrameResult DecodeFrameBytes(const std::vector<uint8_t>& bytes, uint32_t serverVersion) {
    return DecodeFrameBytes(bytes, bytes.size(), serverVersion);
}

inline DescriptionsResult DecodeDescriptionBytes(const std::vector<uint8_t>& bytes, size_t length) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
    if (length > 0) {
        std::memcpy(exact.get(), bytes.data(), length);
    }
    DescriptionsResult out;
    sDataDescriptions* set = nullptr;
    out.result = DecodeDescriptions(exact.get(), static_cast<int32_t>(length), &set, &out.consumed);
    out.set.reset(set);
    return out;
}

inline DescriptionsResult DecodeDescriptionBytes(const std::vector<uint8_t>& bytes) {
    return DecodeDescriptionBytes(bytes, bytes.size());
}

inline void PatchInt32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    const uint32_t raw = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<uint8_t>(raw >> (8 * i));
    }
}

}  // namespace mirav::test

#endif
