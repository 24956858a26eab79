// Pushes from two receive threads while an application thread polls and looks up, and another
// replaces the descriptions. Meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "StoreTestSupport.h"
#include "store/FrameStore.h"

using namespace storetest;

namespace {

constexpr int kFramesPerPusher = 400;
constexpr int kPolls = 2000;

// Frame numbers carry the pusher in the thousands so each pusher's order can be checked.
sFrameOfMocapData* PusherFrame(int pusher, int sequence) {
    sFrameOfMocapData* frame = NewFrame(pusher * 100000 + sequence);
    AddMarkerSet(frame, "Wand", 2);
    AddRigidBody(frame, 7, 1);
    AddSkeleton(frame, 1, {10, 11}, 1);
    SetAnalog(frame, {static_cast<float>(sequence)});
    return frame;
}

}  // namespace

TEST(FrameStoreConcurrency, PushesPollsLookUpsAndDescriptionSwapsInterleaveSafely) {
    auto store = std::make_unique<FrameStore>();
    DescriptionBytes scene;
    scene.MarkerSet("Wand", {"Tip", "End"})
        .RigidBody("Head", 7)
        .Skeleton("Alice", 1, {{"Hip", 10}, {"Knee", 11}})
        .ForcePlate({"Fx"});
    scene.ApplyTo(*store);

    std::atomic<bool> stop{false};
    auto push = [&](int pusher) {
        for (int i = 1; i <= kFramesPerPusher; ++i) store->PushFrame(PusherFrame(pusher, i));
    };
    std::thread pusherA(push, 1);
    std::thread pusherB(push, 2);
    std::thread describer([&] {
        for (int i = 0; i < 200 && !stop.load(); ++i) scene.ApplyTo(*store);
    });

    int lastSeen[3] = {0, 0, 0};
    int badCodes = 0;
    int outOfOrder = 0;
    int mismatched = 0;
    for (int poll = 0; poll < kPolls; ++poll) {
        sFrameOfMocapData* frame = store->TakeFrame();
        if (frame != nullptr) {
            const int pusher = store->GetLastFrameDataByType(1) / 100000;
            const int sequence = store->GetLastFrameDataByType(1) % 100000;
            if (pusher >= 1 && pusher <= 2) {
                if (sequence < lastSeen[pusher]) ++outOfOrder;
                lastSeen[pusher] = sequence;
            }
        }
        float* point = nullptr;
        sRigidBodyData* body = nullptr;
        float value = 0;
        const int codes[] = {store->GetLastFrameMarkerByName("Wand", "End", &point),
                             store->GetLastFrameRigidBodyByName("Head", &body),
                             store->GetLastFrameSkeletonByName("Alice", "Knee", &body),
                             store->GetLastFrameAnalogdata("Fx", &value)};
        for (int code : codes) badCodes += (code != 0 && code != 8) ? 1 : 0;
        if (codes[2] == 0 && body->id != 11) ++mismatched;
    }
    stop.store(true);
    pusherA.join();
    pusherB.join();
    describer.join();

    EXPECT_EQ(badCodes, 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(mismatched, 0);
    // The frame pushed last (some pusher's final one) is current once the queue is drained.
    Drain(*store);
    EXPECT_EQ(store->GetLastFrameDataByType(1) % 100000, kFramesPerPusher);
}
