#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "DecodeSupport.h"
#include "EncodersFrame.h"
#include "FrameCompare.h"

namespace mirav {
namespace {

using sim::FrameScene;
using test::DecodeFrameBytes;
using test::kServerVersion3;
using test::kServerVersion4;

// Offsets of the counts in a body with no entries.
constexpr size_t kMarkerSetCountOffset = 4;
constexpr size_t kEmptyCountOffsets[] = {4, 8, 12, 16, 20, 24};

sim::RigidBodyPose Body(int32_t id, int markers) {
    sim::RigidBodyPose body;
    body.id = id;
    body.x = 1.5f;
    body.qw = 0.5f;
    for (int m = 0; m < markers; ++m) {
        body.markers.push_back({static_cast<float>(m), 2.0f, 3.0f});
        body.markerIds.push_back(m + 10);
        body.markerSizes.push_back(0.25f * static_cast<float>(m));
    }
    body.meanError = 0.125f;
    body.params = -2;
    return body;
}

TEST(FrameDecoder, EmptyBodyConsumes50AndOwnsOnlyZeroLengthOtherMarkers) {
    FrameScene scene;
    scene.frameNumber = 42;
    scene.latency = 1.25f;
    scene.timeStamp = -7;
    const std::vector<uint8_t> body = sim::EncodeFrameBody(scene);
    ASSERT_EQ(body.size(), sim::kEmptyFrameBodySize);
    for (uint32_t version : {kServerVersion3, kServerVersion4}) {
        auto out = DecodeFrameBytes(body, version);
        ASSERT_EQ(out.result, 0);
        ASSERT_NE(out.frame, nullptr);
        EXPECT_EQ(out.consumed, 50);
        EXPECT_EQ(out.frame->frameNumber, 42);
        EXPECT_NE(out.frame->otherMarkers, nullptr);
        EXPECT_EQ(out.frame->otherMarkerCount, 0);
        EXPECT_EQ(out.frame->mocapData[0].markers, nullptr);
        EXPECT_EQ(out.frame->rigidBodies[0].markers, nullptr);
        EXPECT_EQ(out.frame->extendData.extendDataNum, 0);
        EXPECT_EQ(out.frame->latency, 1.25f);
        EXPECT_EQ(out.frame->timeStamp, -7);
    }
}

TEST(FrameDecoder, TypicalFrameRoundTripsFieldByField) {
    FrameScene scene = sim::MakeTypicalFrameScene(1234);
    scene.otherMarkers = {{1, 2, 3}, {-4, 5.5f, 6}};
    scene.labeledMarkers[3].reserved = 0x5A5A5A5A;
    scene.skeletons[1].bones[4] = Body(77, 3);
    const std::vector<uint8_t> body = sim::EncodeFrameBody(scene);
    auto out = DecodeFrameBytes(body, kServerVersion4);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.consumed, static_cast<int32_t>(body.size()));
    test::ExpectFrameMatchesScene(*out.frame, scene);
    const sFrameExtendData& ext = out.frame->extendData;
    ASSERT_EQ(ext.extendDataNum, 1);
    EXPECT_EQ(ext.blocks[0].type, 1);
    ASSERT_EQ(ext.blocks[0].itemCount, 20);
    EXPECT_EQ(ext.blocks[0].byteLength, 20 * 72);
    for (int i = 0; i < 20; ++i) {
        test::ExpectItem(ext.blocks[0].items[i], sim::MakeExtendItem(i + 1));
    }
}

TEST(FrameDecoder, ZeroCountsGiveNullBonesButZeroLengthMarkerArrays) {
    FrameScene scene;
    scene.rigidBodies.push_back(Body(1, 0));
    scene.skeletons.push_back({5, {}});
    scene.skeletons.push_back({6, {Body(2, 0)}});
    auto out = DecodeFrameBytes(sim::EncodeFrameBody(scene), kServerVersion3);
    ASSERT_EQ(out.result, 0);
    const sRigidBodyData& body = out.frame->rigidBodies[0];
    EXPECT_NE(body.markers, nullptr);
    EXPECT_NE(body.markerIds, nullptr);
    EXPECT_NE(body.markerSizes, nullptr);
    EXPECT_EQ(out.frame->skeletons[0].rigidBodyCount, 0);
    EXPECT_EQ(out.frame->skeletons[0].rigidBodyData, nullptr);
    ASSERT_NE(out.frame->skeletons[1].rigidBodyData, nullptr);
    EXPECT_NE(out.frame->skeletons[1].rigidBodyData[0].markers, nullptr);
}

struct Limit {
    const char* what;
    int32_t limit;
    std::function<FrameScene(int32_t)> make;
};

std::vector<Limit> Limits() {
    return {
        {"marker sets", 200,
         [](int32_t n) {
             FrameScene s;
             s.markerSets.resize(n, {"set", {}});
             return s;
         }},
        {"markers per set", 200,
         [](int32_t n) {
             FrameScene s;
             s.markerSets.push_back({"set", std::vector<sim::Point>(n)});
             return s;
         }},
        {"unlabelled markers", 1000,
         [](int32_t n) {
             FrameScene s;
             s.otherMarkers.resize(n);
             return s;
         }},
        {"rigid bodies", 1000,
         [](int32_t n) {
             FrameScene s;
             s.rigidBodies.resize(n, Body(1, 1));
             return s;
         }},
        {"markers per rigid body", 200,
         [](int32_t n) {
             FrameScene s;
             s.rigidBodies.push_back(Body(1, 0));
             s.rigidBodies.push_back(Body(2, n));
             return s;
         }},
        {"skeletons", 100,
         [](int32_t n) {
             FrameScene s;
             s.skeletons.resize(n, {1, {Body(1, 1)}});
             return s;
         }},
        {"bones per skeleton", 200,
         [](int32_t n) {
             FrameScene s;
             s.skeletons.push_back({1, std::vector<sim::RigidBodyPose>(n, Body(1, 1))});
             return s;
         }},
        {"markers per bone", 200,
         [](int32_t n) {
             FrameScene s;
             s.skeletons.push_back({1, {Body(1, 2), Body(2, n)}});
             return s;
         }},
        {"labelled markers", 1000,
         [](int32_t n) {
             FrameScene s;
             s.labeledMarkers.resize(n, sMarker{});
             return s;
         }},
        {"analog samples", 32,
         [](int32_t n) {
             FrameScene s;
             s.analog.resize(n, 0.5f);
             return s;
         }},
    };
}

// Gives the sections before most limits something to allocate.
void AddEarlierArrays(FrameScene& scene) {
    if (scene.otherMarkers.empty()) {
        scene.otherMarkers = {{1, 2, 3}, {4, 5, 6}};
    }
}

// Rejection happens after earlier sections allocated their arrays: the sanitizer run checks that
// nothing of the partial frame leaks.
TEST(FrameDecoder, EveryLimitAcceptsItsCapacityAndRejectsOneMore) {
    for (const Limit& limit : Limits()) {
        SCOPED_TRACE(limit.what);
        FrameScene atLimit = limit.make(limit.limit);
        AddEarlierArrays(atLimit);
        auto accepted = DecodeFrameBytes(sim::EncodeFrameBody(atLimit), kServerVersion4);
        ASSERT_EQ(accepted.result, 0);
        test::ExpectFrameMatchesScene(*accepted.frame, atLimit);

        FrameScene past = limit.make(limit.limit + 1);
        AddEarlierArrays(past);
        auto rejected = DecodeFrameBytes(sim::EncodeFrameBody(past), kServerVersion4);
        EXPECT_EQ(rejected.result, 1);
        EXPECT_EQ(rejected.frame, nullptr);
    }
}

TEST(FrameDecoder, NegativeCountsAreRejected) {
    const std::vector<uint8_t> empty = sim::EncodeFrameBody(FrameScene{});
    for (size_t offset : kEmptyCountOffsets) {
        for (int32_t value : {-1, INT_MIN}) {
            std::vector<uint8_t> body = empty;
            test::PatchInt32(body, offset, value);
            auto out = DecodeFrameBytes(body, kServerVersion4);
            EXPECT_EQ(out.result, 1) << "offset " << offset << " value " << value;
            EXPECT_EQ(out.frame, nullptr);
        }
    }
    // Counts inside entries: a marker set's markers (offset 8 + 256), a rigid body's markers
    // (16 + 32) and a skeleton's bones (20 + 4).
    FrameScene withSet;
    withSet.markerSets.push_back({"set", {}});
    FrameScene withBody;
    withBody.rigidBodies.push_back(Body(1, 0));
    FrameScene withSkeleton;
    withSkeleton.skeletons.push_back({1, {}});
    const std::pair<FrameScene, size_t> inner[] = {
        {withSet, 264}, {withBody, 48}, {withSkeleton, 24}};
    for (const auto& [scene, offset] : inner) {
        std::vector<uint8_t> body = sim::EncodeFrameBody(scene);
        test::PatchInt32(body, offset, -1);
        EXPECT_EQ(DecodeFrameBytes(body, kServerVersion4).result, 1) << "offset " << offset;
    }
}

TEST(FrameDecoder, BodyShorterThanItsCountsIsRejected) {
    FrameScene scene;
    scene.markerSets.push_back({"a", {{1, 2, 3}}});
    scene.markerSets.push_back({"b", {{4, 5, 6}}});
    std::vector<uint8_t> body = sim::EncodeFrameBody(scene);
    test::PatchInt32(body, kMarkerSetCountOffset, 5);
    auto out = DecodeFrameBytes(body, kServerVersion4);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.frame, nullptr);

    // A count whose bytes are missing is refused before anything is allocated for it.
    FrameScene one;
    one.rigidBodies.push_back(Body(1, 2));
    body = sim::EncodeFrameBody(one);
    test::PatchInt32(body, 48, 200);
    EXPECT_EQ(DecodeFrameBytes(body, kServerVersion4).result, 1);

    EXPECT_EQ(DecodeFrameBytes({}, kServerVersion4).result, 1);
    sFrameOfMocapData* frame = reinterpret_cast<sFrameOfMocapData*>(1);
    EXPECT_EQ(DecodeFrame(body.data(), -1, kServerVersion4, &frame, nullptr), 1);
    EXPECT_EQ(frame, nullptr);
}

// A body cut at any shorter length is rejected inside the base body and accepted (with what is
// whole) inside the extension, never reading past the cut.
void ExpectCutsStayWithinTheCut(const FrameScene& scene, size_t stride) {
    const std::vector<uint8_t> body = sim::EncodeFrameBody(scene);
    const size_t baseLength = body.size() - scene.extension.size();
    for (size_t cut = 0; cut < body.size(); ++cut) {
        // Lengths around the end of the base body are always tried.
        if (cut % stride != 0 && (cut + 64 < baseLength || cut > baseLength + 64)) {
            continue;
        }
        auto out = DecodeFrameBytes(body, cut, kServerVersion4);
        if (cut < baseLength) {
            ASSERT_EQ(out.result, 1) << "cut " << cut;
            ASSERT_EQ(out.frame, nullptr);
        } else {
            ASSERT_EQ(out.result, 0) << "cut " << cut;
            ASSERT_LE(out.consumed, static_cast<int32_t>(cut));
            ASSERT_LE(out.frame->extendData.extendDataNum, 2);
        }
    }
}

TEST(FrameDecoder, EveryCutOfAValidBodyStaysWithinTheCut) {
    FrameScene small;
    small.markerSets.push_back({"set", {{1, 2, 3}, {4, 5, 6}}});
    small.otherMarkers = {{7, 8, 9}};
    small.rigidBodies.push_back(Body(1, 2));
    small.skeletons.push_back({3, {Body(4, 1), Body(5, 0)}});
    small.labeledMarkers.resize(2, sMarker{1, 2, 3, 4, 5, 6});
    small.analog = {1, 2};
    sim::ExtensionBlock skipped;
    skipped.type = 2;
    skipped.payload = {1, 2, 3, 4, 5};
    sim::ExtensionBlock kinematics;
    kinematics.items = {sim::MakeExtendItem(1), sim::MakeExtendItem(2)};
    small.extension = sim::EncodeExtension({skipped, kinematics});
    ExpectCutsStayWithinTheCut(small, 1);
    // The typical frame is 13 kB and each decode allocates a 1 MB record, so (to keep the
    // sanitizer run short) only every 11th length away from the end of its base body is tried.
    ExpectCutsStayWithinTheCut(sim::MakeTypicalFrameScene(5), 11);
}

}  // namespace
}  // namespace mirav
