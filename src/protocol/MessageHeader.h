// The 16-byte header that opens every datagram in both directions, the message types, and the
// layout of the reply record (also the body of a type-105 message).
#ifndef MIRAV_PROTOCOL_MESSAGE_HEADER_H
#define MIRAV_PROTOCOL_MESSAGE_HEADER_H

#include <cstddef>
#include <cstdint>

namespace mirav {

constexpr uint16_t kMessageMagic = 0xF951;
constexpr size_t kMessageHeaderSize = 16;

struct MessageHeader {
    uint16_t magic = kMessageMagic;
    uint16_t reserved = 0;
    int32_t totalLength = 0;  // body length over all datagrams of the message
    uint8_t messageType = 0;
    uint8_t fragmentIndex = 0;
    uint16_t fragmentLength = 0;  // body bytes in this datagram
    uint32_t sequence = 0;        // 0 in a message that answers no request
};

// Message types received from the server.
enum MessageType : uint8_t {
    kMessageConnectReply = 1,
    kMessageReply = 7,
    kMessageDescriptionBroadcast = 100,
    kMessageDescriptionsReply = 101,
    kMessageServerDescriptionReply = 102,
    kMessageFrame = 103,
    kMessageTextReply = 104,
    kMessageDescriptionsImageReply = 105,
    kMessageIgnored106 = 106,
    kMessageNotification = 108,
    kMessageAnalogChannelData = 110,
};

// Reply record: type (uint16), 2 unused bytes, length (int32), then the body area.
constexpr size_t kReplyRecordSize = 300008;
constexpr size_t kReplyRecordTypeOffset = 0;
constexpr size_t kReplyRecordLengthOffset = 4;
constexpr size_t kReplyBodyOffset = 8;
constexpr size_t kReplyBodyCapacity = kReplyRecordSize - kReplyBodyOffset;

// Largest body the client reassembles.
constexpr size_t kReassemblyCapacity = 524288;

// Reads a header from data[0, length); false (and *header untouched) when fewer than 16 bytes
// are given. The fields are not validated.
bool ParseMessageHeader(const uint8_t* data, size_t length, MessageHeader* header);

// Writes the header into out[0, 16); false when capacity is below 16.
bool EncodeMessageHeader(const MessageHeader& header, uint8_t* out, size_t capacity);

}  // namespace mirav

#endif
