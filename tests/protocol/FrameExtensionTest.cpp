#include <gtest/gtest.h>

#include "DecodeSupport.h"
#include "EncodersFrame.h"
#include "FrameCompare.h"

namespace mirav {
namespace {

using sim::ExtensionBlock;
using sim::FrameScene;
using test::DecodeFrameBytes;
using test::kServerVersion3;
using test::kServerVersion4;

constexpr int32_t kBase = static_cast<int32_t>(sim::kEmptyFrameBodySize);

std::vector<uint8_t> BodyWithExtension(const std::vector<uint8_t>& extension) {
    FrameScene scene;
    scene.frameNumber = 9;
    scene.extension = extension;
    return sim::EncodeFrameBody(scene);
}

ExtensionBlock Kinematics(int items, int firstId = 1) {
    ExtensionBlock block;
    for (int i = 0; i < items; ++i) {
        block.items.push_back(sim::MakeExtendItem(firstId + i));
    }
    return block;
}

ExtensionBlock Opaque(int32_t type, size_t payloadSize) {
    ExtensionBlock block;
    block.type = type;
    block.payload.assign(payloadSize, 0xAB);
    return block;
}

bool ExtendDataIsZero(const sFrameExtendData& ext) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&ext);
    for (size_t i = 0; i < sizeof ext; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(FrameExtension, GateNeedsVersionFourAndSixteenTrailingBytes) {
    // One type-2 block without payload: exactly 16 bytes.
    const std::vector<uint8_t> sixteen = sim::EncodeExtension({Opaque(2, 0)});
    ASSERT_EQ(sixteen.size(), 16u);
    const std::vector<uint8_t> fifteen(sixteen.begin(), sixteen.end() - 1);

    auto oldServer = DecodeFrameBytes(BodyWithExtension(sixteen), kServerVersion3);
    ASSERT_EQ(oldServer.result, 0);
    EXPECT_EQ(oldServer.consumed, kBase);
    EXPECT_TRUE(ExtendDataIsZero(oldServer.frame->extendData));

    auto shortRemainder = DecodeFrameBytes(BodyWithExtension(fifteen), kServerVersion4);
    ASSERT_EQ(shortRemainder.result, 0);
    EXPECT_EQ(shortRemainder.consumed, kBase);
    EXPECT_TRUE(ExtendDataIsZero(shortRemainder.frame->extendData));

    // Only the first version byte counts (the others here are 0, 56, 34).
    for (uint32_t version : {kServerVersion4, 0x22380004u, 0x22380005u}) {
        auto read = DecodeFrameBytes(BodyWithExtension(sixteen), version);
        ASSERT_EQ(read.result, 0);
        EXPECT_EQ(read.consumed, kBase + 16);
        EXPECT_EQ(read.frame->extendData.extendDataNum, 1);
        EXPECT_EQ(read.frame->extendData.blocks[0].type, 2);
    }
    auto third = DecodeFrameBytes(BodyWithExtension(sixteen), 0x22380003u);
    EXPECT_EQ(third.consumed, kBase);
}

TEST(FrameExtension, BlockCountsZeroNineTenAndNegative) {
    std::vector<uint8_t> zero = sim::EncodeExtension({});
    zero.resize(16, 0);  // padding so the gate opens
    auto none = DecodeFrameBytes(BodyWithExtension(zero), kServerVersion4);
    ASSERT_EQ(none.result, 0);
    EXPECT_EQ(none.frame->extendData.extendDataNum, 0);
    EXPECT_EQ(none.consumed, kBase + 4);

    std::vector<ExtensionBlock> nine;
    for (int b = 0; b < 9; ++b) {
        nine.push_back(b % 2 == 0 ? Kinematics(b + 1, 100 * b) : Opaque(3, 8));
    }
    const std::vector<uint8_t> nineBytes = sim::EncodeExtension(nine);
    auto full = DecodeFrameBytes(BodyWithExtension(nineBytes), kServerVersion4);
    ASSERT_EQ(full.result, 0);
    EXPECT_EQ(full.consumed, kBase + static_cast<int32_t>(nineBytes.size()));
    ASSERT_EQ(full.frame->extendData.extendDataNum, 9);
    for (int b = 0; b < 9; ++b) {
        const sExtendDataBlock& block = full.frame->extendData.blocks[b];
        if (b % 2 == 0) {
            ASSERT_EQ(block.itemCount, b + 1);
            for (int i = 0; i <= b; ++i) {
                test::ExpectItem(block.items[i], sim::MakeExtendItem(100 * b + i));
            }
        } else {
            EXPECT_EQ(block.type, 3);
            EXPECT_EQ(block.byteLength, 8);
        }
    }

    nine.push_back(Kinematics(1));
    const std::vector<uint8_t> tenBytes = BodyWithExtension(sim::EncodeExtension(nine));
    auto ten = DecodeFrameBytes(tenBytes, kServerVersion4);
    ASSERT_EQ(ten.result, 0);
    EXPECT_EQ(ten.frame->extendData.extendDataNum, 0);
    EXPECT_EQ(ten.consumed, static_cast<int32_t>(tenBytes.size()));
    EXPECT_TRUE(ExtendDataIsZero(ten.frame->extendData));

    auto negative = DecodeFrameBytes(BodyWithExtension(sim::EncodeExtension({Kinematics(1)}, -3)),
                                     kServerVersion4);
    ASSERT_EQ(negative.result, 0);
    EXPECT_EQ(negative.frame->extendData.extendDataNum, -3);
    EXPECT_EQ(negative.consumed, kBase + 4);
    EXPECT_EQ(negative.frame->extendData.blocks[0].itemCount, 0);
}

TEST(FrameExtension, OtherTypesAreSkippedByPayloadAndTypeOneAdvancesByItems) {
    const std::vector<uint8_t> ext = sim::EncodeExtension({Opaque(2, 30), Kinematics(3)});
    auto out = DecodeFrameBytes(BodyWithExtension(ext), kServerVersion4);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.consumed, kBase + 4 + 12 + 30 + 12 + 3 * 72);
    const sFrameExtendData& data = out.frame->extendData;
    ASSERT_EQ(data.extendDataNum, 2);
    EXPECT_EQ(data.blocks[0].type, 2);
    EXPECT_EQ(data.blocks[0].byteLength, 30);
    EXPECT_EQ(data.blocks[0].itemCount, 0);
    EXPECT_EQ(data.blocks[1].type, 1);
    ASSERT_EQ(data.blocks[1].itemCount, 3);
    EXPECT_EQ(data.blocks[1].byteLength, 3 * 72);
    for (int i = 0; i < 3; ++i) {
        test::ExpectItem(data.blocks[1].items[i], sim::MakeExtendItem(i + 1));
    }

    // A type-1 payload longer than its items: the next block header is read right after the
    // items, here from the extra payload bytes.
    ExtensionBlock longer = Kinematics(1);
    longer.payload = sim::EncodeExtension({Opaque(5, 0)});
    longer.payload.erase(longer.payload.begin(), longer.payload.begin() + 4);
    auto inner =
        DecodeFrameBytes(BodyWithExtension(sim::EncodeExtension({longer}, 2)), kServerVersion4);
    ASSERT_EQ(inner.result, 0);
    EXPECT_EQ(inner.frame->extendData.blocks[0].byteLength, 72 + 12);
    EXPECT_EQ(inner.frame->extendData.blocks[1].type, 5);
    EXPECT_EQ(inner.consumed, kBase + 4 + 12 + 72 + 12);
}

// A malformed block ends the extension: the frame is accepted with the blocks before it, the
// malformed block stays zero and the whole body counts as consumed.
TEST(FrameExtension, MalformedBlocksKeepTheCompleteOnes) {
    ExtensionBlock tooManyItems = Kinematics(2);
    tooManyItems.itemCountOnWire = 1001;
    tooManyItems.payloadLengthOnWire = 2 * 72;
    ExtensionBlock itemsPastPayload = Kinematics(2);
    itemsPastPayload.payloadLengthOnWire = 72;
    ExtensionBlock negativePayload = Opaque(2, 0);
    negativePayload.payloadLengthOnWire = -40;
    ExtensionBlock payloadPastBody = Opaque(2, 4);
    payloadPastBody.payloadLengthOnWire = 1000000;
    ExtensionBlock negativeItems = Opaque(2, 4);
    negativeItems.itemCountOnWire = -1;
    ExtensionBlock overflowingItems = Kinematics(1);
    overflowingItems.itemCountOnWire = 0x40000000;
    overflowingItems.payloadLengthOnWire = 72;

    for (const ExtensionBlock& bad : {tooManyItems, itemsPastPayload, negativePayload,
                                      payloadPastBody, negativeItems, overflowingItems}) {
        const std::vector<uint8_t> body =
            BodyWithExtension(sim::EncodeExtension({Kinematics(2, 50), bad, Kinematics(1)}));
        auto out = DecodeFrameBytes(body, kServerVersion4);
        ASSERT_EQ(out.result, 0);
        EXPECT_EQ(out.consumed, static_cast<int32_t>(body.size()));
        const sFrameExtendData& data = out.frame->extendData;
        EXPECT_EQ(data.extendDataNum, 3);
        ASSERT_EQ(data.blocks[0].itemCount, 2);
        test::ExpectItem(data.blocks[0].items[1], sim::MakeExtendItem(51));
        for (int b = 1; b < MAX_EXTEND_BLOCKS; ++b) {
            EXPECT_EQ(data.blocks[b].type, 0);
            EXPECT_EQ(data.blocks[b].itemCount, 0);
            EXPECT_EQ(data.blocks[b].items[0].id, 0);
        }
    }

    // A block header cut short by the end of the body.
    std::vector<uint8_t> cut = sim::EncodeExtension({Kinematics(1), Opaque(2, 0)});
    cut.resize(cut.size() - 4);
    auto out = DecodeFrameBytes(BodyWithExtension(cut), kServerVersion4);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.frame->extendData.blocks[0].itemCount, 1);
    EXPECT_EQ(out.frame->extendData.blocks[1].type, 0);
}

}  // namespace
}  // namespace mirav
