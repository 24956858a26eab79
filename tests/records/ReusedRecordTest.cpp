// The reused decode record and the compact queue against the plain path: a fresh zeroed record
// per frame, and a whole copy of it when a frame is taken. Random valid bodies alternate between
// big and small, so every clear and every reuse of an array is exercised.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "EncodersFrame.h"
#include "FrameCompareBytes.h"
#include "mirav/MiravUtilities.h"
#include "protocol/FrameDecoder.h"
#include "records/CompactFrame.h"
#include "records/FrameMemory.h"
#include "records/ReusableRecord.h"
#include "store/FrameStore.h"

namespace mirav::test {
namespace {

using sim::FrameScene;

constexpr uint32_t kVersionWithExtension = 4;

struct DecodedReleaser {
    void operator()(sFrameOfMocapData* frame) const { ReleaseDecodedFrame(frame); }
};
using DecodedPtr = std::unique_ptr<sFrameOfMocapData, DecodedReleaser>;

// Random scenes; big ones fill many entries and long arrays, small ones a few or none.
class SceneMaker {
public:
    explicit SceneMaker(uint32_t seed) : random_(seed) {}

    FrameScene Make(int32_t number, bool big) {
        const int scale = big ? 40 : 2;
        FrameScene scene;
        scene.frameNumber = number;
        for (int i = 0, n = Up(scale); i < n; ++i) {
            scene.markerSets.push_back({"set" + std::to_string(Up(999)), Points(Up(scale))});
        }
        scene.otherMarkers = Points(Up(scale * 5));
        for (int i = 0, n = Up(scale * 2); i < n; ++i) scene.rigidBodies.push_back(Body(scale));
        for (int i = 0, n = Up(big ? 4 : 1); i < n; ++i) {
            sim::SkeletonPose skeleton;
            skeleton.id = Up(100);
            for (int j = 0, m = Up(scale); j < m; ++j) skeleton.bones.push_back(Body(scale / 4));
            scene.skeletons.push_back(skeleton);
        }
        for (int i = 0, n = Up(scale * 5); i < n; ++i) {
            scene.labeledMarkers.push_back({Up(1000), Value(), Value(), Value(), Value(), Up(9)});
        }
        for (int i = 0, n = Up(big ? 32 : 3); i < n; ++i) scene.analog.push_back(Value());
        scene.latency = Value();
        scene.timecode = static_cast<uint32_t>(random_());
        scene.timecodeSubframe = static_cast<uint32_t>(Up(10));
        scene.timeStamp = static_cast<int64_t>(random_()) << 8;
        scene.params = static_cast<int16_t>(Up(3));
        std::vector<sim::ExtensionBlock> blocks;
        for (int b = 0, n = Up(big ? 3 : 1); b < n; ++b) {
            sim::ExtensionBlock block;
            block.type = Up(3) == 2 ? 2 : 1;
            if (block.type == 1) {
                for (int i = 0, k = Up(scale * 3); i < k; ++i) {
                    block.items.push_back(sim::MakeExtendItem(Up(1 << 20)));
                }
            } else {
                block.payload.assign(static_cast<size_t>(Up(40)), 7);
            }
            blocks.push_back(block);
        }
        if (!blocks.empty()) scene.extension = sim::EncodeExtension(blocks);
        return scene;
    }

private:
    int Up(int limit) { return static_cast<int>(random_() % static_cast<uint32_t>(limit + 1)); }
    float Value() { return static_cast<float>(random_() % 100000) / 7.0f; }
    std::vector<sim::Point> Points(int count) {
        std::vector<sim::Point> points;
        for (int i = 0; i < count; ++i) points.push_back({Value(), Value(), Value()});
        return points;
    }
    sim::RigidBodyPose Body(int scale) {
        sim::RigidBodyPose body;
        body.id = Up(500);
        body.x = Value();
        body.qw = Value();
        body.markers = Points(Up(scale));
        for (size_t m = 0; m < body.markers.size(); ++m) {
            body.markerIds.push_back(Up(1000));
            body.markerSizes.push_back(Value());
        }
        body.meanError = Value();
        body.params = static_cast<int16_t>(Up(1));
        return body;
    }

    std::mt19937 random_;
};

DecodedPtr DecodeFresh(const std::vector<uint8_t>& body) {
    sFrameOfMocapData* frame = nullptr;
    EXPECT_EQ(DecodeFrame(body.data(), static_cast<int32_t>(body.size()), kVersionWithExtension,
                          &frame, nullptr),
              0);
    return DecodedPtr(frame);
}

// Decodes without the extension; *consumed is then the length of the base part.
sFrameOfMocapData* DecodeFreshConsumed(const std::vector<uint8_t>& body, int32_t* consumed) {
    sFrameOfMocapData* frame = nullptr;
    DecodeFrame(body.data(), static_cast<int32_t>(body.size()), 3, &frame, consumed);
    return frame;
}

// What a take gave before frames were queued compactly: the whole record, then its arrays.
struct WholeCopy {
    WholeCopy() : record(AllocateZeroedRecord()) {}
    ~WholeCopy() {
        ReleaseRecordArrays(*record);
        ReleaseZeroedRecord(record);
    }
    sFrameOfMocapData* record;
};

TEST(ReusedRecord, DecodesAndTakesEveryByteAsTheFreshPath) {
    SceneMaker maker(20261209);
    OwnedReusableRecord reused;
    FrameStore store;
    for (int32_t n = 1; n <= 24; ++n) {
        SCOPED_TRACE(n);
        const bool big = n % 3 != 2;  // big, small, big, big, small, ...
        const std::vector<uint8_t> body = sim::EncodeFrameBody(maker.Make(n, big));
        DecodedPtr fresh = DecodeFresh(body);
        ASSERT_NE(fresh, nullptr);

        int32_t consumed = -1;
        ASSERT_EQ(DecodeFrameReusing(body.data(), static_cast<int32_t>(body.size()),
                                     kVersionWithExtension, reused.Get(), &consumed),
                  0);
        EXPECT_EQ(consumed, static_cast<int32_t>(body.size()));
        ExpectSameFrame(*fresh, reused.Get().Record());

        store.PushFrame(reused.Get().Record());
        WholeCopy expected;
        CopyFrameIntoRecord(*fresh, *expected.record);
        sFrameOfMocapData* current = store.TakeFrame();
        ASSERT_NE(current, nullptr);
        ExpectSameFrame(*expected.record, *current);
    }
}

TEST(ReusedRecord, RejectedBodiesAndReleasesBehindItsBackLeaveNoTrace) {
    SceneMaker maker(77);
    OwnedReusableRecord reused;
    FrameStore store;
    sFrameOfMocapData* previous = nullptr;
    for (int32_t n = 1; n <= 12; ++n) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> body = sim::EncodeFrameBody(maker.Make(n, n % 2 == 1));
        // A body cut inside its base part is rejected after part of it was written into the
        // record.
        int32_t baseLength = 0;
        DecodedPtr(DecodeFreshConsumed(body, &baseLength));
        const int32_t cut = baseLength * 2 / 3;
        EXPECT_EQ(
            DecodeFrameReusing(body.data(), cut, kVersionWithExtension, reused.Get(), nullptr), 1);
        // A callback may release the arrays of the record it is handed; the record must then
        // neither release them again nor hand them out.
        if (n % 4 == 0) Solvanta_FreeFrame(&reused.Get().Record());
        ASSERT_EQ(DecodeFrameReusing(body.data(), static_cast<int32_t>(body.size()),
                                     kVersionWithExtension, reused.Get(), nullptr),
                  0);
        DecodedPtr fresh = DecodeFresh(body);
        ExpectSameFrame(*fresh, reused.Get().Record());

        // The binding empties the current record before it polls; the next take still gives
        // the same address with the next frame, and an emptied record reads as no frame.
        if (n % 3 == 0 && previous != nullptr) {
            EXPECT_EQ(Solvanta_FreeFrame(previous), 0);
            EXPECT_EQ(store.TakeFrame(), nullptr);
        }
        store.PushFrame(reused.Get().Record());
        sFrameOfMocapData* current = store.TakeFrame();
        ASSERT_NE(current, nullptr);
        if (previous != nullptr) {
            EXPECT_EQ(current, previous);
        }
        previous = current;
        WholeCopy expected;
        CopyFrameIntoRecord(*fresh, *expected.record);
        ExpectSameFrame(*expected.record, *current);
    }
}

TEST(CompactQueue, KeepsTheNewestFramesAndCostsWhatTheyHold) {
    SceneMaker maker(5);
    OwnedReusableRecord reused;
    FrameStore store;
    std::vector<size_t> sizes;
    for (int32_t n = 1; n <= 40; ++n) {
        const std::vector<uint8_t> body = sim::EncodeFrameBody(maker.Make(n, n == 40));
        ASSERT_EQ(DecodeFrameReusing(body.data(), static_cast<int32_t>(body.size()),
                                     kVersionWithExtension, reused.Get(), nullptr),
                  0);
        const CompactFrame packed = CompactFrame::Pack(reused.Get().Record());
        EXPECT_EQ(packed.FrameNumber(), n);
        // Within a small overhead of the body itself, far below the record's 1 MB.
        EXPECT_LT(packed.Size(), body.size() * 2 + 256) << n;
        store.PushFrame(reused.Get().Record());
    }
    for (int32_t n = 9; n <= 40; ++n) {
        sFrameOfMocapData* frame = store.TakeFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->frameNumber, n);
    }
}

}  // namespace
}  // namespace mirav::test
