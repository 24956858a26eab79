#include "protocol/MessageHeader.h"

#include <gtest/gtest.h>

#include "EncodersMessage.h"

namespace mirav {
namespace {

TEST(MessageHeader, ServerEncodingAndClientParsingAgree) {
    sim::WireHeader sent;
    sent.totalLength = 3000;
    sent.messageType = kMessageFrame;
    sent.fragmentIndex = 2;
    sent.fragmentLength = 76;
    sent.sequence = 0xDEADBEEF;
    std::vector<uint8_t> bytes;
    sim::AppendWireHeader(sent, &bytes);
    ASSERT_EQ(bytes.size(), kMessageHeaderSize);
    EXPECT_EQ(bytes[0], 0x51);
    EXPECT_EQ(bytes[1], 0xF9);

    MessageHeader parsed;
    ASSERT_TRUE(ParseMessageHeader(bytes.data(), bytes.size(), &parsed));
    EXPECT_EQ(parsed.magic, kMessageMagic);
    EXPECT_EQ(parsed.totalLength, 3000);
    EXPECT_EQ(parsed.messageType, kMessageFrame);
    EXPECT_EQ(parsed.fragmentIndex, 2);
    EXPECT_EQ(parsed.fragmentLength, 76);
    EXPECT_EQ(parsed.sequence, 0xDEADBEEFu);

    uint8_t encoded[kMessageHeaderSize];
    ASSERT_TRUE(EncodeMessageHeader(parsed, encoded, sizeof encoded));
    EXPECT_EQ(std::vector<uint8_t>(encoded, encoded + sizeof encoded), bytes);

    MessageHeader untouched;
    untouched.sequence = 5;
    EXPECT_FALSE(ParseMessageHeader(bytes.data(), 15, &untouched));
    EXPECT_EQ(untouched.sequence, 5u);
    EXPECT_FALSE(EncodeMessageHeader(parsed, encoded, 15));
}

TEST(MessageHeader, MessagesAreCutIntoIndexedFragments) {
    const std::vector<uint8_t> body(3000, 0x11);
    const auto datagrams = sim::EncodeMessage(kMessageFrame, 0, body);
    ASSERT_EQ(datagrams.size(), 3u);
    const uint16_t lengths[] = {1462, 1462, 76};
    for (uint8_t i = 0; i < 3; ++i) {
        MessageHeader header;
        ASSERT_TRUE(ParseMessageHeader(datagrams[i].data(), datagrams[i].size(), &header));
        EXPECT_EQ(header.fragmentIndex, i);
        EXPECT_EQ(header.fragmentLength, lengths[i]);
        EXPECT_EQ(header.totalLength, 3000);
        EXPECT_EQ(datagrams[i].size(), kMessageHeaderSize + lengths[i]);
    }

    const auto empty = sim::EncodeMessage(kMessageReply, 7, {});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].size(), kMessageHeaderSize);

    EXPECT_TRUE(sim::EncodeMessage(kMessageFrame, 0, std::vector<uint8_t>(257 * 10), 10).empty());
    EXPECT_EQ(sim::EncodeMessage(kMessageFrame, 0, std::vector<uint8_t>(256 * 10), 10).size(),
              256u);
}

}  // namespace
}  // namespace mirav
