// By-name look-ups through the description and frame indexes.
#include <gtest/gtest.h>

#include <memory>

#include "StoreTestSupport.h"
#include "mirav/MiravUtilities.h"
#include "store/FrameStore.h"

using namespace storetest;

namespace {

DescriptionBytes Scene() {
    DescriptionBytes scene;
    scene.MarkerSet("Wand", {"Tip", "Mid", "End"})
        .RigidBody("Head", 7)
        .RigidBody("Absent", 99)
        .Skeleton("Alice", 1, {{"Hip", 10}, {"Knee", 11}})
        .Skeleton("Bob", 2, {{"Neck", 20}})
        .ForcePlate({"Fx", "Fy", "Fz"});
    return scene;
}

// Matches Scene() except that the Wand set has only 2 markers and one analog value is sent.
sFrameOfMocapData* SceneFrame(int32_t number) {
    sFrameOfMocapData* frame = NewFrame(number);
    AddMarkerSet(frame, "Wand", 2);
    AddRigidBody(frame, 7, 1);
    AddSkeleton(frame, 1, {10, 11}, 0);
    AddSkeleton(frame, 2, {20}, 0);
    SetAnalog(frame, {4.5f, 5.5f});
    return frame;
}

struct Lookups {
    int marker, rigidBody, bone, analog;
};

Lookups LookUpKnownNames(FrameStore& store) {
    float* point = nullptr;
    sRigidBodyData* body = nullptr;
    float value = 0;
    return {store.GetLastFrameMarkerByName("Wand", "Mid", &point),
            store.GetLastFrameRigidBodyByName("Head", &body),
            store.GetLastFrameSkeletonByName("Alice", "Knee", &body),
            store.GetLastFrameAnalogdata("Fy", &value)};
}

}  // namespace

TEST(FrameStoreLookups, ResultCodesFollowDescriptionsAndCurrentFrame) {
    auto store = std::make_unique<FrameStore>();
    store->PushFrame(SceneFrame(1));
    ASSERT_NE(store->TakeFrame(), nullptr);

    Lookups before = LookUpKnownNames(*store);  // nothing described yet
    EXPECT_EQ(before.marker, 8);
    EXPECT_EQ(before.rigidBody, 4);
    EXPECT_EQ(before.bone, 4);
    EXPECT_EQ(before.analog, 4);

    auto fresh = std::make_unique<FrameStore>();  // described, but no frame taken yet
    Scene().ApplyTo(*fresh);
    Lookups empty = LookUpKnownNames(*fresh);
    EXPECT_EQ(empty.marker, 8);
    EXPECT_EQ(empty.rigidBody, 8);
    EXPECT_EQ(empty.bone, 8);
    EXPECT_EQ(empty.analog, 8);

    Scene().ApplyTo(*store);
    Lookups found = LookUpKnownNames(*store);
    EXPECT_EQ(found.marker, 0);
    EXPECT_EQ(found.rigidBody, 0);
    EXPECT_EQ(found.bone, 0);
    EXPECT_EQ(found.analog, 0);

    sFrameOfMocapData* frame = store->TakeFrame();
    float* point = nullptr;
    sRigidBodyData* body = nullptr;
    float value = 0;
    EXPECT_EQ(store->GetLastFrameMarkerByName("Wand", "Mid", &point), 0);
    EXPECT_EQ(point, frame->mocapData[0].markers[1]);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Head", &body), 0);
    EXPECT_EQ(body, &frame->rigidBodies[0]);
    EXPECT_EQ(store->GetLastFrameSkeletonByName("Alice", "Knee", &body), 0);
    EXPECT_EQ(body, &frame->skeletons[0].rigidBodyData[1]);
    EXPECT_EQ(store->GetLastFrameAnalogdata("Fy", &value), 0);
    EXPECT_EQ(value, 5.5f);

    // Described but not in the frame: 8 (the marker look-up uses 8 for every failure).
    EXPECT_EQ(store->GetLastFrameMarkerByName("Wand", "End", &point), 8);  // beyond markerCount
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Absent", &body), 8);
    EXPECT_EQ(store->GetLastFrameAnalogdata("Fz", &value), 8);  // frame carries 2 values
    // Not described: 4, names compared case-sensitively.
    EXPECT_EQ(store->GetLastFrameMarkerByName("wand", "Mid", &point), 8);
    EXPECT_EQ(store->GetLastFrameMarkerByName("Wand", "Nope", &point), 8);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("head", &body), 4);
    EXPECT_EQ(store->GetLastFrameSkeletonByName("Alice", "Neck", &body), 4);  // Bob's bone
    EXPECT_EQ(store->GetLastFrameSkeletonByName("alice", "Knee", &body), 4);
    EXPECT_EQ(store->GetLastFrameAnalogdata("FX", &value), 4);
    // Null arguments: 8, out untouched.
    sRigidBodyData* unchanged = body;
    EXPECT_EQ(store->GetLastFrameMarkerByName(nullptr, "Mid", &point), 8);
    EXPECT_EQ(store->GetLastFrameMarkerByName("Wand", "Mid", nullptr), 8);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName(nullptr, &body), 8);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Head", nullptr), 8);
    EXPECT_EQ(store->GetLastFrameSkeletonByName("Alice", nullptr, &body), 8);
    EXPECT_EQ(store->GetLastFrameAnalogdata(nullptr, &value), 8);
    EXPECT_EQ(store->GetLastFrameAnalogdata("Fy", nullptr), 8);
    EXPECT_EQ(body, unchanged);
}

TEST(FrameStoreLookups, FirstOfDuplicateNamesWins) {
    auto store = std::make_unique<FrameStore>();
    DescriptionBytes scene;
    scene.MarkerSet("Wand", {"A", "B"})
        .MarkerSet("Wand", {"B", "A"})
        .RigidBody("Head", 1)
        .RigidBody("Head", 2)
        .Skeleton("S", 5, {{"Bone", 50}, {"Bone", 51}})
        .ForcePlate({"Fx", "Fy"})
        .ForcePlate({"Fy", "Fx"});
    scene.ApplyTo(*store);
    sFrameOfMocapData* pending = NewFrame(1);
    AddMarkerSet(pending, "Wand", 2);
    AddMarkerSet(pending, "Wand", 2);  // second set of the same name in the frame: ignored
    AddRigidBody(pending, 2, 0);
    AddRigidBody(pending, 1, 0);
    AddRigidBody(pending, 1, 0);  // duplicate id in the frame: the first one is used
    AddSkeleton(pending, 5, {51, 50}, 0);
    SetAnalog(pending, {1.0f, 2.0f});
    store->PushFrame(pending);
    sFrameOfMocapData* frame = store->TakeFrame();

    float* point = nullptr;
    sRigidBodyData* body = nullptr;
    float value = 0;
    EXPECT_EQ(store->GetLastFrameMarkerByName("Wand", "B", &point), 0);
    EXPECT_EQ(point, frame->mocapData[0].markers[1]);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Head", &body), 0);
    EXPECT_EQ(body, &frame->rigidBodies[1]);
    EXPECT_EQ(store->GetLastFrameSkeletonByName("S", "Bone", &body), 0);
    EXPECT_EQ(body->id, 50);
    EXPECT_EQ(store->GetLastFrameAnalogdata("Fy", &value), 0);
    EXPECT_EQ(value, 2.0f);
}

TEST(FrameStoreLookups, NewDescriptionsReplaceTheOldNames) {
    auto store = std::make_unique<FrameStore>();
    DescriptionBytes().RigidBody("Old", 7).ApplyTo(*store);
    store->PushFrame(SceneFrame(1));
    store->TakeFrame();
    sRigidBodyData* body = nullptr;
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Old", &body), 0);
    DescriptionBytes().RigidBody("New", 7).ApplyTo(*store);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("Old", &body), 4);
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("New", &body), 0);
    store->SetDescriptions(nullptr, 10);  // ignored
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("New", &body), 0);
    DescriptionBytes().ApplyTo(*store);  // an empty catalogue
    EXPECT_EQ(store->GetLastFrameRigidBodyByName("New", &body), 4);
}

// Solvanta_FreeFrame on the current record releases its arrays without the store knowing; the
// store must then behave as if it held no frame instead of handing out the released arrays.
TEST(FrameStoreLookups, RecordEmptiedByFreeFrameHoldsNoFrame) {
    auto store = std::make_unique<FrameStore>();
    Scene().ApplyTo(*store);
    sFrameOfMocapData* pending = SceneFrame(1);
    SetOtherMarkers(pending, 2);
    store->PushFrame(pending);
    sFrameOfMocapData* frame = store->TakeFrame();
    Lookups found = LookUpKnownNames(*store);
    ASSERT_EQ(found.marker + found.rigidBody + found.bone + found.analog, 0);

    ASSERT_EQ(Solvanta_FreeFrame(frame), 0);
    Lookups emptied = LookUpKnownNames(*store);
    EXPECT_EQ(emptied.marker, 8);
    EXPECT_EQ(emptied.rigidBody, 8);
    EXPECT_EQ(emptied.bone, 8);
    EXPECT_EQ(emptied.analog, 8);
    float* point = nullptr;
    EXPECT_EQ(store->GetLastFrameUndefined(0, &point), 4);
    EXPECT_EQ(store->GetLastFrameDataByType(3), 0);
    EXPECT_EQ(store->TakeFrame(), nullptr);

    // The next frame is taken as usual (nothing is released twice) and is found again.
    store->PushFrame(SceneFrame(2));
    EXPECT_EQ(store->TakeFrame(), frame);
    Lookups again = LookUpKnownNames(*store);
    EXPECT_EQ(again.marker + again.rigidBody + again.bone + again.analog, 0);

    // A record without heap arrays is left alone by Solvanta_FreeFrame: look-ups keep working.
    sFrameOfMocapData* analogOnly = NewFrame(3);
    SetAnalog(analogOnly, {7.0f, 8.0f});
    store->PushFrame(analogOnly);
    store->TakeFrame();
    ASSERT_EQ(Solvanta_FreeFrame(frame), 0);
    float value = 0;
    EXPECT_EQ(store->GetLastFrameAnalogdata("Fy", &value), 0);
    EXPECT_EQ(value, 8.0f);
}
