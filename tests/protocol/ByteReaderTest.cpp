#include "protocol/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace mirav {
namespace {

TEST(ByteReader, ReadsLittleEndianValuesInOrder) {
    const uint8_t bytes[] = {0x01, 0x02, 0xFE, 0xFF, 0x00, 0x00, 0x80, 0x3F, 0x08,
                             0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, 0x34, 0x12};
    ByteReader reader(bytes, sizeof bytes);
    uint16_t u16 = 0;
    int16_t i16 = 0;
    float f = 0;
    int64_t i64 = 0;
    uint16_t tail = 0;
    ASSERT_TRUE(reader.ReadUInt16(&u16));
    ASSERT_TRUE(reader.ReadInt16(&i16));
    ASSERT_TRUE(reader.ReadFloat(&f));
    ASSERT_TRUE(reader.ReadInt64(&i64));
    ASSERT_TRUE(reader.ReadUInt16(&tail));
    EXPECT_EQ(u16, 0x0201);
    EXPECT_EQ(i16, -2);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(static_cast<uint64_t>(i64), 0x8102030405060708ull);
    EXPECT_EQ(tail, 0x1234);
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ByteReader, FailedReadChangesNothing) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    ByteReader reader(bytes, sizeof bytes);
    ASSERT_TRUE(reader.Skip(3));
    int32_t value = 77;
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(reader.ReadInt32(&value));
    EXPECT_FALSE(reader.ReadBytes(out, 4));
    EXPECT_FALSE(reader.Skip(4));
    EXPECT_EQ(value, 77);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(reader.Position(), 3u);
    int16_t half = 0;
    EXPECT_TRUE(reader.ReadInt16(&half));
    EXPECT_EQ(half, 0x0504);
}

TEST(ByteReader, LengthChecksDoNotOverflow) {
    const uint8_t bytes[16] = {};
    ByteReader reader(bytes, sizeof bytes);
    ASSERT_TRUE(reader.Skip(4));
    const size_t huge = std::numeric_limits<size_t>::max();
    EXPECT_FALSE(reader.HasBytes(huge));
    EXPECT_FALSE(reader.Skip(huge));
    EXPECT_FALSE(reader.HasElements(huge / 12 + 1, 12));  // count * 12 wraps around
    EXPECT_FALSE(reader.HasElements(size_t{1} << 62, 256));
    EXPECT_TRUE(reader.HasElements(1, 12));
    EXPECT_FALSE(reader.HasElements(2, 12));
    float out[3];
    EXPECT_FALSE(reader.ReadElements(out, huge / 4 + 2, 4));
    EXPECT_EQ(reader.Position(), 4u);
}

TEST(ByteReader, NullDataReadsAsEmpty) {
    ByteReader reader(nullptr, 100);
    uint8_t value = 0;
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_FALSE(reader.ReadUInt8(&value));
    EXPECT_TRUE(reader.ReadBytes(&value, 0));
}

}  // namespace
}  // namespace mirav
