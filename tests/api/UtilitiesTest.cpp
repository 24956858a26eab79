#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FrameBuilder.h"
#include "mirav/MiravUtilities.h"

namespace {

using mirav::test::FramePtr;
using mirav::test::MakeEmptyFrame;
using mirav::test::MakePopulatedFrame;

bool AllBytesZero(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// The count-0 arrays of MakePopulatedFrame: Solvanta_FreeFrame never releases them.
struct ZeroCountArrays {
    explicit ZeroCountArrays(const sFrameOfMocapData& f)
        : setMarkers(f.mocapData[1].markers),
          bodyMarkers(f.rigidBodies[1].markers),
          bodyIds(f.rigidBodies[1].markerIds),
          bodySizes(f.rigidBodies[1].markerSizes),
          boneMarkers(f.skeletons[0].rigidBodyData[1].markers),
          boneIds(f.skeletons[0].rigidBodyData[1].markerIds),
          boneSizes(f.skeletons[0].rigidBodyData[1].markerSizes),
          bones(f.skeletons[1].rigidBodyData) {}
    ~ZeroCountArrays() {
        mirav::DeleteArray(setMarkers);
        mirav::DeleteArray(bodyMarkers);
        mirav::DeleteArray(bodyIds);
        mirav::DeleteArray(bodySizes);
        mirav::DeleteArray(boneMarkers);
        mirav::DeleteArray(boneIds);
        mirav::DeleteArray(boneSizes);
        mirav::DeleteArray(bones);
    }
    MarkerData* setMarkers;
    MarkerData* bodyMarkers;
    int32_t* bodyIds;
    float* bodySizes;
    MarkerData* boneMarkers;
    int32_t* boneIds;
    float* boneSizes;
    sRigidBodyData* bones;
};

TEST(Timecode, DecodesFieldsAndPassesSubframeThrough) {
    int h = -1, m = -1, s = -1, f = -1, sub = -1;
    ASSERT_TRUE(Solvanta_DecodeTimecode(0x01020304u, 5, &h, &m, &s, &f, &sub));
    EXPECT_EQ(h, 1);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(s, 3);
    EXPECT_EQ(f, 4);
    EXPECT_EQ(sub, 5);
    ASSERT_TRUE(Solvanta_DecodeTimecode(0xFFFEFDFCu, 0, &h, &m, &s, &f, &sub));
    EXPECT_EQ(h, 255);  // hours are never negative
    EXPECT_EQ(f, 252);
}

TEST(Timecode, DecodeWithAnyNullOutputWritesNothing) {
    for (int missing = 0; missing < 5; ++missing) {
        int values[5] = {-7, -7, -7, -7, -7};
        int* outs[5] = {&values[0], &values[1], &values[2], &values[3], &values[4]};
        outs[missing] = nullptr;
        EXPECT_FALSE(
            Solvanta_DecodeTimecode(0x01020304u, 5, outs[0], outs[1], outs[2], outs[3], outs[4]));
        for (int v : values) EXPECT_EQ(v, -7) << "null output " << missing;
    }
}

TEST(Timecode, StringifiesWithLeadingZeros) {
    char text[32];
    ASSERT_TRUE(Solvanta_TimecodeStringify(0x01020304u, 5, text, sizeof text));
    EXPECT_STREQ(text, "01:02:03:04.5");
    ASSERT_TRUE(Solvanta_TimecodeStringify(0x0A0B0C0Du, 0, text, sizeof text));
    EXPECT_STREQ(text, "10:11:12:13.0");
    ASSERT_TRUE(Solvanta_TimecodeStringify(0xFFFFFFFFu, 0x80000000u, text, sizeof text));
    EXPECT_STREQ(text, "255:255:255:255.-2147483648");  // the longest text: 27 characters
    EXPECT_FALSE(Solvanta_TimecodeStringify(0, 0, nullptr, 10));
    EXPECT_FALSE(Solvanta_TimecodeStringify(0, 0, text, 0));
    EXPECT_FALSE(Solvanta_TimecodeStringify(0, 0, text, -5));
}

TEST(Timecode, StringifyNeverWritesPastTheGivenSize) {
    const std::string full = "255:255:255:255.-2147483648";
    for (int size = 1; size <= 30; ++size) {
        std::vector<char> buffer(static_cast<size_t>(size) + 8, '#');
        ASSERT_TRUE(Solvanta_TimecodeStringify(0xFFFFFFFFu, 0x80000000u, buffer.data(), size));
        for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << " wrote byte " << i;
        const std::string text(buffer.data());
        EXPECT_EQ(text, full.substr(0, static_cast<size_t>(size) - 1)) << "size " << size;
    }
}

TEST(Version, WritesTheFourVersionBytes) {
    unsigned char version[4] = {};
    const int packed = Solvanta_GetVersion(version);
    EXPECT_EQ(version[0], 4);
    EXPECT_EQ(version[1], 0);
    EXPECT_EQ(version[2], 56);
    EXPECT_EQ(version[3], 34);
    EXPECT_EQ(packed, 4 | (56 << 16) | (34 << 24));
    EXPECT_EQ(Solvanta_GetVersion(nullptr), packed);  // a null address is ignored
}

TEST(CopyFrame, RejectsNullAndLeavesACopyOntoItselfUnchanged) {
    FramePtr frame = MakePopulatedFrame();
    ZeroCountArrays zeroCount(*frame);
    EXPECT_EQ(Solvanta_CopyFrame(nullptr, frame.get()), 2);
    EXPECT_EQ(Solvanta_CopyFrame(frame.get(), nullptr), 2);
    MarkerData* before = frame->mocapData[0].markers;
    EXPECT_EQ(Solvanta_CopyFrame(frame.get(), frame.get()), 0);
    EXPECT_EQ(frame->mocapData[0].markers, before);
    EXPECT_EQ(Solvanta_FreeFrame(frame.get()), 0);
}

TEST(CopyFrame, DuplicatesCountedArraysAndSharesZeroCountOnes) {
    FramePtr source = MakePopulatedFrame();
    ZeroCountArrays zeroCount(*source);
    FramePtr copy = MakeEmptyFrame();
    ASSERT_EQ(Solvanta_CopyFrame(source.get(), copy.get()), 0);

    EXPECT_EQ(copy->frameNumber, 77);
    EXPECT_EQ(copy->labeledMarkerCount, 4);
    EXPECT_EQ(copy->analogData[1], 3.5f);
    EXPECT_NE(copy->mocapData[0].markers, source->mocapData[0].markers);
    EXPECT_EQ(copy->mocapData[0].markers[2][1], 2.0f);
    EXPECT_NE(copy->otherMarkers, source->otherMarkers);
    EXPECT_EQ(copy->otherMarkers[1][2], 9.0f);
    EXPECT_NE(copy->rigidBodies[0].markerIds, source->rigidBodies[0].markerIds);
    EXPECT_EQ(copy->rigidBodies[0].markerIds[1], 101);
    EXPECT_EQ(copy->rigidBodies[0].markerSizes[1], 0.5f);
    EXPECT_NE(copy->skeletons[0].rigidBodyData, source->skeletons[0].rigidBodyData);
    EXPECT_NE(copy->skeletons[0].rigidBodyData[0].markers,
              source->skeletons[0].rigidBodyData[0].markers);
    EXPECT_EQ(copy->skeletons[0].rigidBodyData[0].markerIds[0], 1000);

    // Zero-count arrays are shared, not duplicated.
    EXPECT_EQ(copy->mocapData[1].markers, zeroCount.setMarkers);
    EXPECT_EQ(copy->rigidBodies[1].markers, zeroCount.bodyMarkers);
    EXPECT_EQ(copy->skeletons[0].rigidBodyData[1].markerIds, zeroCount.boneIds);
    EXPECT_EQ(copy->skeletons[1].rigidBodyData, zeroCount.bones);

    // Freeing the copy leaves the shared arrays and the source's own arrays alone (ASan checks).
    ASSERT_EQ(Solvanta_FreeFrame(copy.get()), 0);
    EXPECT_TRUE(AllBytesZero(copy.get(), sizeof(sFrameOfMocapData)));
    EXPECT_EQ(source->mocapData[0].markers[2][1], 2.0f);
    EXPECT_EQ(source->skeletons[0].rigidBodyData[0].markerIds[0], 1000);
    ASSERT_EQ(Solvanta_FreeFrame(source.get()), 0);
    EXPECT_TRUE(AllBytesZero(source.get(), sizeof(sFrameOfMocapData)));
}

TEST(CopyFrame, StaysInsideTheFixedArraysWhenCountsExceedThem) {
    FramePtr source = MakeEmptyFrame();
    source->markerSetCount = 5000;
    source->rigidBodyCount = 100000;
    source->skeletonCount = 1000;
    FramePtr copy = MakeEmptyFrame();
    EXPECT_EQ(Solvanta_CopyFrame(source.get(), copy.get()), 0);
    EXPECT_EQ(Solvanta_FreeFrame(copy.get()), 0);
}

TEST(FreeFrame, LeavesRecordsWithoutHeapPartsUntouched) {
    EXPECT_EQ(Solvanta_FreeFrame(nullptr), 2);
    FramePtr zero = MakeEmptyFrame();
    EXPECT_EQ(Solvanta_FreeFrame(zero.get()), 0);
    EXPECT_TRUE(AllBytesZero(zero.get(), sizeof(sFrameOfMocapData)));

    FramePtr labelledOnly = MakeEmptyFrame();
    labelledOnly->labeledMarkerCount = 3;
    labelledOnly->frameNumber = 12;
    EXPECT_EQ(Solvanta_FreeFrame(labelledOnly.get()), 0);
    EXPECT_EQ(labelledOnly->labeledMarkerCount, 3);
    EXPECT_EQ(labelledOnly->frameNumber, 12);
}

TEST(FreeFrame, ClampsEveryCountToItsCapacity) {
    FramePtr frame = MakeEmptyFrame();
    frame->markerSetCount = 1 << 30;
    frame->rigidBodyCount = 1 << 30;
    frame->skeletonCount = 1 << 30;
    frame->skeletons[0].rigidBodyCount = 1 << 30;
    frame->skeletons[0].rigidBodyData = mirav::NewArray<sRigidBodyData>(MAX_SKELRIGIDBODIES);
    EXPECT_EQ(Solvanta_FreeFrame(frame.get()), 0);
    EXPECT_TRUE(AllBytesZero(frame.get(), sizeof(sFrameOfMocapData)));
}

TEST(FreeDescriptions, ReleasesEveryKindAndSkipsUnknownEntries) {
    EXPECT_EQ(Solvanta_FreeDescriptions(nullptr), 2);
    auto* set = mirav::NewRecord<sDataDescriptions>();
    std::memset(set, 0, sizeof *set);
    set->descriptionCount = 7;

    auto* markers = mirav::NewRecord<sMarkerSetDescription>();
    markers->markerCount = 2;
    markers->markerNames = mirav::NewArray<char*>(2);
    markers->markerNames[0] = mirav::NewArray<char>(MAX_NAMELENGTH);
    markers->markerNames[1] = nullptr;  // a missing name is skipped
    set->descriptions[0] = {Descriptor_MarkerSet, 0, {}};
    set->descriptions[0].Data.MarkerSetDescription = markers;

    auto* points = mirav::NewRecord<sPositionSetDescription>();
    points->pointCount = 3;
    points->points = mirav::NewArray<MarkerData>(3);
    set->descriptions[1].type = Descriptor_PositionSet;
    set->descriptions[1].Data.PositionSetDescription = points;

    set->descriptions[2].type = Descriptor_RigidBody;
    set->descriptions[2].Data.RigidBodyDescription = mirav::NewRecord<sRigidBodyDescription>();
    set->descriptions[3].type = Descriptor_Skeleton;
    set->descriptions[3].Data.SkeletonDescription = mirav::NewRecord<sSkeletonDescription>();
    set->descriptions[4].type = Descriptor_ForcePlate;
    set->descriptions[4].Data.ForcePlateDescription = mirav::NewRecord<sForcePlateDescription>();
    set->descriptions[5].type = Descriptor_Opaque;
    set->descriptions[5].Data.OpaqueDescription = mirav::NewRecord<sOpaqueDescription>();
    set->descriptions[6].type = 42;  // unknown: nothing to release
    set->descriptions[6].Data.Any = nullptr;

    EXPECT_EQ(Solvanta_FreeDescriptions(set), 0);  // LeakSanitizer reports anything left
}

}  // namespace
