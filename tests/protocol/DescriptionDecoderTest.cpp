#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "DecodeSupport.h"
#include "EncodersDescription.h"

namespace mirav {
namespace {

using sim::DescriptionDataEncoder;
using test::DecodeDescriptionBytes;

sOpaqueDescription MakeOpaque() {
    sOpaqueDescription opaque;
    for (uint8_t i = 0; i < sizeof opaque.data; ++i) {
        opaque.data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    return opaque;
}

std::vector<sRigidBodyDescription> Bones(int count) {
    std::vector<sRigidBodyDescription> bones;
    for (int b = 0; b < count; ++b) {
        bones.push_back(sim::MakeRigidBodyDescription("bone" + std::to_string(b), b + 1, b));
    }
    return bones;
}

// One entry of every kind, in an order that puts variable-length entries before fixed ones.
DescriptionDataEncoder AllKinds() {
    DescriptionDataEncoder encoder;
    encoder.MarkerSet("Body", {"Head", "Chest", "Hip"})
        .RigidBody(sim::MakeRigidBodyDescription("Wand", 7, -1))
        .Skeleton("Actor", 3, Bones(4))
        .ForcePlate(sim::MakeForcePlateDescription(2))
        .PositionSet("Floor", {{1, 2, 3}, {4, 5, 6}})
        .Opaque(MakeOpaque());
    return encoder;
}

void ExpectAllKinds(const sDataDescriptions& set) {
    ASSERT_EQ(set.descriptionCount, 6);
    const sMarkerSetDescription* markers = set.descriptions[0].Data.MarkerSetDescription;
    ASSERT_EQ(set.descriptions[0].type, Descriptor_MarkerSet);
    EXPECT_STREQ(markers->name, "Body");
    ASSERT_EQ(markers->markerCount, 3);
    EXPECT_STREQ(markers->markerNames[0], "Head");
    EXPECT_STREQ(markers->markerNames[2], "Hip");

    ASSERT_EQ(set.descriptions[1].type, Descriptor_RigidBody);
    const sRigidBodyDescription wand = sim::MakeRigidBodyDescription("Wand", 7, -1);
    EXPECT_EQ(0, std::memcmp(set.descriptions[1].Data.RigidBodyDescription, &wand, sizeof wand));

    ASSERT_EQ(set.descriptions[2].type, Descriptor_Skeleton);
    const sSkeletonDescription* skeleton = set.descriptions[2].Data.SkeletonDescription;
    EXPECT_STREQ(skeleton->name, "Actor");
    EXPECT_EQ(skeleton->skeletonId, 3);
    ASSERT_EQ(skeleton->rigidBodyCount, 4);
    const auto bones = Bones(4);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(0, std::memcmp(&skeleton->rigidBodies[b], &bones[b], sizeof bones[b]));
    }

    ASSERT_EQ(set.descriptions[3].type, Descriptor_ForcePlate);
    const sForcePlateDescription plate = sim::MakeForcePlateDescription(2);
    EXPECT_EQ(0, std::memcmp(set.descriptions[3].Data.ForcePlateDescription, &plate, sizeof plate));

    ASSERT_EQ(set.descriptions[4].type, Descriptor_PositionSet);
    const sPositionSetDescription* positions = set.descriptions[4].Data.PositionSetDescription;
    EXPECT_STREQ(positions->name, "Floor");
    ASSERT_EQ(positions->pointCount, 2);
    EXPECT_EQ(positions->points[1][0], 4.0f);
    EXPECT_EQ(positions->points[1][2], 6.0f);

    ASSERT_EQ(set.descriptions[5].type, Descriptor_Opaque);
    const sOpaqueDescription opaque = MakeOpaque();
    EXPECT_EQ(0, std::memcmp(set.descriptions[5].Data.OpaqueDescription, &opaque, sizeof opaque));
}

TEST(DescriptionDecoder, WorkedExamplesConsumeTheirSizes) {
    auto empty = DecodeDescriptionBytes(DescriptionDataEncoder().Encode());
    ASSERT_EQ(empty.result, 0);
    EXPECT_EQ(empty.consumed, 4);
    EXPECT_EQ(empty.set->descriptionCount, 0);

    auto markers =
        DecodeDescriptionBytes(DescriptionDataEncoder().MarkerSet("Set", {"a", "b", "c"}).Encode());
    ASSERT_EQ(markers.result, 0);
    EXPECT_EQ(markers.consumed, 1036);
    char** names = markers.set->descriptions[0].Data.MarkerSetDescription->markerNames;
    EXPECT_NE(names[0], names[1]);
    EXPECT_STREQ(names[1], "b");

    auto skeleton =
        DecodeDescriptionBytes(DescriptionDataEncoder().Skeleton("S", 1, Bones(2)).Encode());
    ASSERT_EQ(skeleton.result, 0);
    EXPECT_EQ(skeleton.consumed, 856);
    EXPECT_STREQ(skeleton.set->descriptions[0].Data.SkeletonDescription->rigidBodies[1].name,
                 "bone1");
}

TEST(DescriptionDecoder, AllSixKindsRoundTrip) {
    const std::vector<uint8_t> data = AllKinds().Encode();
    auto out = DecodeDescriptionBytes(data);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.consumed, static_cast<int32_t>(data.size()));
    ExpectAllKinds(*out.set);

    // The same data at offset 8 of a type-105 reply image decodes the same way.
    for (bool fullImage : {false, true}) {
        const std::vector<uint8_t> image = sim::EncodeReplyImage(data, 105, fullImage);
        const std::vector<uint8_t> fromImage(image.begin() + 8, image.end());
        auto again = DecodeDescriptionBytes(fromImage);
        ASSERT_EQ(again.result, 0);
        EXPECT_EQ(again.consumed, out.consumed);
        ExpectAllKinds(*again.set);
    }
}

TEST(DescriptionDecoder, CountsBeyondCapacityOrNegativeTruncate) {
    DescriptionDataEncoder many;
    for (int i = 0; i < 201; ++i) {
        many.RigidBody(sim::MakeRigidBodyDescription("rb", i, -1));
    }
    auto capped = DecodeDescriptionBytes(many.Encode());
    ASSERT_EQ(capped.result, 0);
    EXPECT_EQ(capped.set->descriptionCount, 200);
    EXPECT_EQ(capped.consumed, 4 + 200 * (4 + 292));
    EXPECT_EQ(capped.set->descriptions[199].Data.RigidBodyDescription->id, 199);

    for (int32_t count : {-1, INT_MIN}) {
        auto negative = DecodeDescriptionBytes(AllKinds().Encode(count));
        ASSERT_EQ(negative.result, 0);
        EXPECT_EQ(negative.set->descriptionCount, 0);
        EXPECT_EQ(negative.consumed, 4);
    }

    // 201 bones: the first 200 are kept and the entry after the skeleton is still found.
    DescriptionDataEncoder big;
    big.Skeleton("Big", 1, Bones(201)).Opaque(MakeOpaque());
    const std::vector<uint8_t> bigData = big.Encode();
    auto bones = DecodeDescriptionBytes(bigData);
    ASSERT_EQ(bones.set->descriptionCount, 2);
    EXPECT_EQ(bones.set->descriptions[0].Data.SkeletonDescription->rigidBodyCount, 200);
    EXPECT_EQ(bones.set->descriptions[1].type, Descriptor_Opaque);
    EXPECT_EQ(bones.consumed, static_cast<int32_t>(bigData.size()));
}

// Negative or unaffordable counts inside an entry end the set before that entry.
TEST(DescriptionDecoder, EntryThatDoesNotFitEndsTheSet) {
    const sRigidBodyDescription wand = sim::MakeRigidBodyDescription("Wand", 7, -1);
    struct Case {
        const char* what;
        int32_t type;
        std::vector<uint8_t> payload;
    };
    sim::WireWriter negativeMarkers;
    negativeMarkers.Int32(-1);
    negativeMarkers.Name("x");
    sim::WireWriter hugeMarkers;
    hugeMarkers.Int32(1 << 30);
    hugeMarkers.Name("x");
    hugeMarkers.Name("only one");
    sim::WireWriter negativeBones;
    negativeBones.Name("s");
    negativeBones.Int32(1);
    negativeBones.Int32(-5);
    sim::WireWriter hugePoints;
    hugePoints.Int32(INT_MAX);
    hugePoints.Name("p");
    sim::WireWriter negativePoints;
    negativePoints.Int32(-2);
    negativePoints.Name("p");
    const Case cases[] = {
        {"negative marker count", Descriptor_MarkerSet, negativeMarkers.Take()},
        {"2^30 marker names", Descriptor_MarkerSet, hugeMarkers.Take()},
        {"negative bone count", Descriptor_Skeleton, negativeBones.Take()},
        {"INT_MAX points", Descriptor_PositionSet, hugePoints.Take()},
        {"negative point count", Descriptor_PositionSet, negativePoints.Take()},
        {"short force plate", Descriptor_ForcePlate, std::vector<uint8_t>(100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DescriptionDataEncoder encoder;
        encoder.RigidBody(wand).Raw(c.type, c.payload);
        auto out = DecodeDescriptionBytes(encoder.Encode());
        ASSERT_EQ(out.result, 0);
        EXPECT_EQ(out.set->descriptionCount, 1);
        EXPECT_EQ(out.consumed, 4 + 4 + 292);
        EXPECT_EQ(out.set->descriptions[1].Data.Any, nullptr);
    }
}

TEST(DescriptionDecoder, UnknownTypeKeepsNullRecordAndConsumesOnlyItsType) {
    DescriptionDataEncoder encoder;
    encoder.Raw(9, {}).Opaque(MakeOpaque()).Raw(-4, {});
    auto out = DecodeDescriptionBytes(encoder.Encode());
    ASSERT_EQ(out.result, 0);
    ASSERT_EQ(out.set->descriptionCount, 3);
    EXPECT_EQ(out.set->descriptions[0].type, 9);
    EXPECT_EQ(out.set->descriptions[0].Data.Any, nullptr);
    EXPECT_EQ(out.set->descriptions[1].type, Descriptor_Opaque);
    EXPECT_EQ(out.set->descriptions[2].Data.Any, nullptr);
    EXPECT_EQ(out.consumed, 4 + 4 + 24 + 4);
}

// Names are read as text by the look-ups: one without a terminator is cut to 255 characters, and
// a force plate never claims more channel names than it holds.
TEST(DescriptionDecoder, NamesAreTerminatedAndChannelCountBounded) {
    const std::string longName(300, 'n');
    sRigidBodyDescription body = sim::MakeRigidBodyDescription("", 1, 0);
    std::memset(body.name, 'r', sizeof body.name);
    sForcePlateDescription plate = sim::MakeForcePlateDescription(1);
    plate.channelCount = 1000;
    std::memset(plate.channelNames[31], 'c', sizeof plate.channelNames[31]);
    DescriptionDataEncoder encoder;
    encoder.RigidBody(body).ForcePlate(plate);
    std::vector<uint8_t> data = encoder.Encode();
    auto out = DecodeDescriptionBytes(data);
    ASSERT_EQ(out.set->descriptionCount, 2);
    EXPECT_EQ(std::strlen(out.set->descriptions[0].Data.RigidBodyDescription->name), 255u);
    const sForcePlateDescription* decoded = out.set->descriptions[1].Data.ForcePlateDescription;
    EXPECT_EQ(decoded->channelCount, 32);
    EXPECT_EQ(std::strlen(decoded->channelNames[31]), 255u);
    EXPECT_STREQ(decoded->channelNames[0], "Plate1Ch0");
}

// Description data cut at every length keeps the whole entries before the cut and reads nothing
// past it.
TEST(DescriptionDecoder, EveryCutKeepsTheWholeEntriesBeforeIt) {
    const std::vector<uint8_t> data = AllKinds().Encode();
    const int32_t entryEnds[] = {4 + 4 + 260 + 768, 1036 + 296,           1332 + 4 + 264 + 4 * 292,
                                 2768 + 4 + 8584,   11356 + 4 + 260 + 24, 11644 + 24};
    ASSERT_EQ(entryEnds[5], static_cast<int32_t>(data.size()));
    for (size_t cut = 0; cut < data.size(); ++cut) {
        auto out = DecodeDescriptionBytes(data, cut);
        ASSERT_EQ(out.result, 0);
        int32_t whole = 0;
        while (whole < 6 && entryEnds[whole] <= static_cast<int32_t>(cut)) {
            ++whole;
        }
        ASSERT_EQ(out.set->descriptionCount, whole) << "cut " << cut;
        ASSERT_EQ(out.consumed, whole == 0 ? (cut >= 4 ? 4 : 0) : entryEnds[whole - 1]);
    }
}

}  // namespace
}  // namespace mirav
