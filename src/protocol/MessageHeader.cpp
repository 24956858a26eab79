#include "protocol/MessageHeader.h"

#include "protocol/ByteReader.h"

namespace mirav {
namespace {

void Put16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool ParseMessageHeader(const uint8_t* data, size_t length, MessageHeader* header) {
    ByteReader reader(data, length);
    if (!reader.HasBytes(kMessageHeaderSize)) {
        return false;
    }
    MessageHeader parsed;
    reader.ReadUInt16(&parsed.magic);
    reader.ReadUInt16(&parsed.reserved);
    reader.ReadInt32(&parsed.totalLength);
    reader.ReadUInt8(&parsed.messageType);
    reader.ReadUInt8(&parsed.fragmentIndex);
    reader.ReadUInt16(&parsed.fragmentLength);
    reader.ReadUInt32(&parsed.sequence);
    *header = parsed;
    return true;
}

bool EncodeMessageHeader(const MessageHeader& header, uint8_t* out, size_t capacity) {
    if (out == nullptr || capacity < kMessageHeaderSize) {
        return false;
    }
    Put16(out, header.magic);
    Put16(out + 2, header.reserved);
    Put32(out + 4, static_cast<uint32_t>(header.totalLength));
    out[8] = header.messageType;
    out[9] = header.fragmentIndex;
    Put16(out + 10, header.fragmentLength);
    Put32(out + 12, header.sequence);
    return true;
}

}  // namespace mirav
