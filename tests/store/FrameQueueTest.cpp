// Queueing, taking and releasing frames; pointer lifetimes of the current record.
#include <gtest/gtest.h>

#include <memory>

#include "StoreTestSupport.h"
#include "mirav/MiravUtilities.h"
#include "store/FrameStore.h"
#include "store/GlobalObject.h"

using namespace storetest;

namespace {

std::unique_ptr<FrameStore> NewStore() { return std::make_unique<FrameStore>(); }

sFrameOfMocapData* FrameWithMarkers(int32_t number) {
    sFrameOfMocapData* frame = NewFrame(number);
    AddMarkerSet(frame, "Wand", 3);
    AddRigidBody(frame, 7, 2);
    return frame;
}

}  // namespace

TEST(FrameStoreQueue, KeepsNewest32AndReturnsThemOldestFirst) {
    auto store = NewStore();
    EXPECT_EQ(store->TakeFrame(), nullptr);
    store->PushFrame(nullptr);  // ignored
    for (int32_t n = 1; n <= 40; ++n) store->PushFrame(FrameWithMarkers(n));
    for (int32_t n = 9; n <= 40; ++n) {
        sFrameOfMocapData* frame = store->TakeFrame();
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(frame->frameNumber, n);
        EXPECT_EQ(frame->mocapData[0].markers[2][1], MarkerValue(n, 2, 1));
    }
    // Drained: the same record keeps coming back, unchanged.
    sFrameOfMocapData* last = store->TakeFrame();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(store->TakeFrame(), last);
        EXPECT_EQ(last->frameNumber, 40);
        EXPECT_EQ(store->GetLastFrameDataByType(1), 40);
    }
}

TEST(FrameStoreQueue, LabeledMarkersOnlyFrameIsReturnedOnce) {
    auto store = NewStore();
    sFrameOfMocapData* frame = NewFrame(5);
    SetLabeledMarkers(frame, 4);
    frame->latency = 2.5f;
    store->PushFrame(frame);
    sFrameOfMocapData* taken = store->TakeFrame();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->labeledMarkerCount, 4);
    EXPECT_EQ(store->TakeFrame(), nullptr);
    EXPECT_EQ(store->TakeFrame(), nullptr);
    // The accessors still read that record.
    EXPECT_EQ(store->GetLastFrameDataByType(1), 5);
    EXPECT_EQ(store->GetLastFrameDataByType(5), 4);
    EXPECT_EQ(store->GetLastFrameLatency(), 2.5f);
}

TEST(FrameStoreQueue, CurrentRecordOwnsCopiesThatLiveUntilTheNextTake) {
    auto store = NewStore();
    sFrameOfMocapData* pending = FrameWithMarkers(1);
    AddRigidBody(pending, 8, 0);  // count-0 arrays of the decoded frame
    std::vector<int32_t> bones = {1, 2};
    AddSkeleton(pending, 3, bones, 1);
    SetOtherMarkers(pending, 2);
    const void* pendingMarkers = pending->mocapData[0].markers;
    store->PushFrame(pending);

    sFrameOfMocapData* frame = store->TakeFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(static_cast<const void*>(frame->mocapData[0].markers), pendingMarkers);
    EXPECT_EQ(frame->rigidBodies[1].markers, nullptr);  // count 0: no array of its own
    EXPECT_EQ(frame->rigidBodies[1].markerIds, nullptr);
    ASSERT_NE(frame->skeletons[0].rigidBodyData, nullptr);
    EXPECT_EQ(frame->skeletons[0].rigidBodyData[1].id, 2);
    EXPECT_EQ(frame->skeletons[0].rigidBodyData[1].markerIds[0], 200);
    EXPECT_EQ(frame->rigidBodies[0].markerSizes[1], 1.5f);
    EXPECT_EQ(frame->otherMarkers[1][2], MarkerValue(1, 1, 2));

    // A poll that finds nothing leaves the arrays in place.
    float* marker = frame->mocapData[0].markers[1];
    EXPECT_EQ(store->TakeFrame(), frame);
    EXPECT_EQ(frame->mocapData[0].markers[1], marker);
    EXPECT_EQ(marker[0], MarkerValue(1, 1, 0));

    // Frames arriving without a poll change nothing; the next take replaces everything.
    store->PushFrame(FrameWithMarkers(2));
    EXPECT_EQ(store->GetLastFrameDataByType(1), 1);
    EXPECT_EQ(store->TakeFrame(), frame);
    EXPECT_EQ(frame->frameNumber, 2);
    EXPECT_EQ(frame->skeletonCount, 0);
    EXPECT_EQ(frame->otherMarkers, nullptr);
    EXPECT_EQ(frame->mocapData[0].markers[1][0], MarkerValue(2, 1, 0));
}

TEST(FrameStoreAccessors, BeforeAnyFrameReadAnEmptyRecord) {
    auto store = NewStore();
    store->PushFrame(FrameWithMarkers(3));  // pending frames are not read by accessors
    EXPECT_EQ(store->GetLastFrameDataByType(1), 0);
    EXPECT_EQ(store->GetLastFrameLatency(), 0.0f);
    EXPECT_EQ(store->GetLastFrameTimeStamp(), 0);
    float* point = nullptr;
    EXPECT_EQ(store->GetLastFrameUndefined(0, &point), 4);
    sMarker* markers = nullptr;
    EXPECT_EQ(store->GetLastFrameLabeledMarker(&markers), 0);
    EXPECT_NE(markers, nullptr);
    EXPECT_EQ(store->GetLastFrameDataByType(5), 0);
    EXPECT_EQ(store->GetLastFrameLabeledMarker(nullptr), 4);
}

TEST(FrameStoreAccessors, ReadTheCurrentRecord) {
    auto store = NewStore();
    sFrameOfMocapData* frame = FrameWithMarkers(11);
    SetOtherMarkers(frame, 3);
    SetLabeledMarkers(frame, 6);
    SetAnalog(frame, {1.0f, 2.0f});
    frame->params = static_cast<int16_t>(0xFFFF);
    frame->latency = 0.125f;
    frame->timecode = 0x01020304;
    frame->timecodeSubframe = 9;
    frame->timeStamp = -5000000000LL;
    frame->extendData.extendDataNum = 1;
    frame->extendData.blocks[0].type = 1;
    frame->extendData.blocks[0].itemCount = 1000;
    frame->extendData.blocks[0].items[999].yaw = 3.5f;
    store->PushFrame(frame);
    ASSERT_NE(store->TakeFrame(), nullptr);

    const int expected[] = {-1, 11, 1, 1, 0, 6, 3, 2, -1, -1};
    for (int type = 0; type <= 9; ++type)
        EXPECT_EQ(store->GetLastFrameDataByType(type), expected[type]) << type;
    EXPECT_EQ(store->GetLastFrameDataByType(-3), -1);
    EXPECT_EQ(store->GetLastFrameLatency(), 0.125f);
    EXPECT_EQ(store->GetLastFrameTimecode(), 0x01020304u);
    EXPECT_EQ(store->GetLastFrameSubframe(), 9u);
    EXPECT_EQ(store->GetLastFrameTimeStamp(), -5000000000LL);

    auto extend = std::make_unique<sFrameExtendData>();
    EXPECT_EQ(store->GetLastFrameExtendData(*extend), 0);
    EXPECT_EQ(extend->extendDataNum, 1);
    EXPECT_EQ(extend->blocks[0].items[999].yaw, 3.5f);

    float* point = nullptr;
    EXPECT_EQ(store->GetLastFrameUndefined(2, &point), 0);
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point[1], MarkerValue(11, 2, 1));
    float* untouched = point;
    EXPECT_EQ(store->GetLastFrameUndefined(3, &point), 4);
    EXPECT_EQ(store->GetLastFrameUndefined(-1, &point), 4);
    EXPECT_EQ(store->GetLastFrameUndefined(0, nullptr), 4);
    EXPECT_EQ(point, untouched);

    sMarker* labeled = nullptr;
    EXPECT_EQ(store->GetLastFrameLabeledMarker(&labeled), 0);
    EXPECT_EQ(labeled[5].id, 6);
}

TEST(FrameStoreQueue, ProcessWideStoreIsOneObject) {
    FrameStore& store = CGlobalObject::Instance().Store();
    EXPECT_EQ(&store, &CGlobalObject::Instance().Store());
    Drain(store);
    store.PushFrame(FrameWithMarkers(77));
    store.PushFrame(FrameWithMarkers(78));
    EXPECT_EQ(store.TakeFrame()->frameNumber, 77);
    // The second frame stays pending; the store releases it at process exit.
}

// A queue of one gives the newest frame on every take; shrinking drops the oldest waiting
// frames at once (ASan sees each released exactly once); out-of-range capacities change nothing.
TEST(FrameStoreQueue, CapacityOneGivesTheNewestFrame) {
    auto store = NewStore();
    EXPECT_EQ(store->QueueCapacity(), 32u);
    EXPECT_FALSE(store->SetQueueCapacity(0));
    EXPECT_FALSE(store->SetQueueCapacity(33));
    EXPECT_EQ(store->QueueCapacity(), 32u);

    for (int32_t n = 1; n <= 10; ++n) store->PushFrame(FrameWithMarkers(n));
    ASSERT_TRUE(store->SetQueueCapacity(3));
    for (int32_t n = 8; n <= 10; ++n) EXPECT_EQ(store->TakeFrame()->frameNumber, n);

    ASSERT_TRUE(store->SetQueueCapacity(1));
    for (int32_t n = 11; n <= 20; ++n) store->PushFrame(FrameWithMarkers(n));
    sFrameOfMocapData* frame = store->TakeFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->frameNumber, 20);
    EXPECT_EQ(frame->mocapData[0].markers[2][1], MarkerValue(20, 2, 1));
    store->PushFrame(FrameWithMarkers(21));
    store->PushFrame(FrameWithMarkers(22));
    EXPECT_EQ(store->TakeFrame()->frameNumber, 22);

    // Growing again keeps what waits and lets the queue fill up to the new depth.
    ASSERT_TRUE(store->SetQueueCapacity(32));
    for (int32_t n = 23; n <= 60; ++n) store->PushFrame(FrameWithMarkers(n));
    EXPECT_EQ(store->TakeFrame()->frameNumber, 29);
}
