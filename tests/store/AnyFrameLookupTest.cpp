// Look-ups by name on any frame record (not only the current one) and names of ids, through the
// store's description cache.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "StoreTestSupport.h"
#include "mirav/MiravUtilities.h"
#include "records/FrameMemory.h"
#include "store/FrameStore.h"

using namespace storetest;

namespace {

DescriptionBytes Scene() {
    DescriptionBytes scene;
    scene.MarkerSet("Wand", {"Tip", "Mid", "End"})
        .MarkerSet("Wand", {"Other"})
        .RigidBody("Head", 7)
        .RigidBody("Absent", 99)
        .RigidBody("HeadAgain", 7)
        .Skeleton("Alice", 1, {{"Hip", 10}, {"Knee", 11}})
        .Skeleton("Bob", 2, {{"Neck", 20}})
        .ForcePlate({"Analog 1", "Analog 2"});
    return scene;
}

// A frame the store never saw: two rigid bodies with id 7 (the first wins), a Wand set with only
// two markers, two analog values.
struct LooseFrame {
    LooseFrame() : frame(NewFrame(5)) {
        AddMarkerSet(frame, "Wand", 2);
        AddRigidBody(frame, 7, 1);
        AddRigidBody(frame, 7, 1);
        frame->rigidBodies[1].x = -1.0f;
        AddSkeleton(frame, 1, {10, 11}, 0);
        AddSkeleton(frame, 2, {20}, 0);
        SetAnalog(frame, {4.5f, 5.5f});
    }
    ~LooseFrame() { mirav::ReleaseDecodedFrame(frame); }
    sFrameOfMocapData* frame;
};

}  // namespace

TEST(AnyFrameLookups, FindNamesInARecordTheStoreNeverTook) {
    FrameStore store;
    Scene().ApplyTo(store);
    LooseFrame loose;
    const sFrameOfMocapData* frame = loose.frame;

    sRigidBodyData* body = nullptr;
    ASSERT_EQ(store.FindRigidBodyByName(frame, "Head", &body), 0);
    EXPECT_EQ(body, &loose.frame->rigidBodies[0]);  // the first body with the id
    ASSERT_EQ(store.FindSkeletonBoneByName(frame, "Alice", "Knee", &body), 0);
    EXPECT_EQ(body, &loose.frame->skeletons[0].rigidBodyData[1]);
    ASSERT_EQ(store.FindSkeletonBoneByName(frame, "Bob", "Neck", &body), 0);
    EXPECT_EQ(body->id, 20);
    float* point = nullptr;
    ASSERT_EQ(store.FindMarkerByName(frame, "Wand", "Mid", &point), 0);
    EXPECT_EQ(point, loose.frame->mocapData[0].markers[1]);
    float value = 0;
    ASSERT_EQ(store.FindAnalogValueByName(frame, "Analog 2", &value), 0);
    EXPECT_EQ(value, 5.5f);
    // The store's current record is untouched: nothing was ever taken.
    EXPECT_EQ(store.GetLastFrameRigidBodyByName("Head", &body), 8);
}

TEST(AnyFrameLookups, ResultCodesSayWhatIsMissing) {
    FrameStore store;
    LooseFrame loose;
    const sFrameOfMocapData* frame = loose.frame;
    sRigidBodyData* body = nullptr;
    float* point = nullptr;
    float value = 0;
    // Nothing described yet: 4 for every kind, the marker look-up included.
    EXPECT_EQ(store.FindRigidBodyByName(frame, "Head", &body), 4);
    EXPECT_EQ(store.FindMarkerByName(frame, "Wand", "Tip", &point), 4);
    EXPECT_EQ(store.FindSkeletonBoneByName(frame, "Alice", "Hip", &body), 4);
    EXPECT_EQ(store.FindAnalogValueByName(frame, "Analog 1", &value), 4);

    Scene().ApplyTo(store);
    EXPECT_EQ(store.FindRigidBodyByName(frame, "Absent", &body), 8);     // described, not in frame
    EXPECT_EQ(store.FindRigidBodyByName(frame, "head", &body), 4);       // names are case-sensitive
    EXPECT_EQ(store.FindMarkerByName(frame, "Wand", "End", &point), 8);  // beyond the 2 markers
    EXPECT_EQ(store.FindMarkerByName(frame, "Wand", "Other", &point), 4);    // second set ignored
    EXPECT_EQ(store.FindSkeletonBoneByName(frame, "Bob", "Hip", &body), 4);  // Alice's bone
    sFrameOfMocapData empty{};
    EXPECT_EQ(store.FindAnalogValueByName(&empty, "Analog 1", &value), 8);
    EXPECT_EQ(store.FindSkeletonBoneByName(&empty, "Alice", "Hip", &body), 8);

    // Null arguments are bad arguments and write nothing.
    body = nullptr;
    EXPECT_EQ(store.FindRigidBodyByName(nullptr, "Head", &body), 2);
    EXPECT_EQ(store.FindRigidBodyByName(frame, nullptr, &body), 2);
    EXPECT_EQ(store.FindRigidBodyByName(frame, "Head", nullptr), 2);
    EXPECT_EQ(store.FindMarkerByName(frame, "Wand", nullptr, &point), 2);
    EXPECT_EQ(store.FindSkeletonBoneByName(frame, nullptr, "Hip", &body), 2);
    EXPECT_EQ(store.FindAnalogValueByName(frame, "Analog 1", nullptr), 2);
    EXPECT_EQ(body, nullptr);
}

TEST(AnyFrameLookups, CurrentRecordWorksAndAnEmptiedOneFindsNothing) {
    FrameStore store;
    Scene().ApplyTo(store);
    sFrameOfMocapData* pushed = NewFrame(9);
    AddRigidBody(pushed, 7, 1);
    store.PushFrame(pushed);
    sFrameOfMocapData* current = store.TakeFrame();
    ASSERT_NE(current, nullptr);
    sRigidBodyData* body = nullptr;
    ASSERT_EQ(store.FindRigidBodyByName(current, "Head", &body), 0);
    EXPECT_EQ(body, &current->rigidBodies[0]);
    // A current record emptied behind the store (Solvanta_FreeFrame on it) finds nothing.
    ASSERT_EQ(Solvanta_FreeFrame(current), 0);
    EXPECT_EQ(store.FindRigidBodyByName(current, "Head", &body), 8);
}

TEST(AnyFrameLookups, NamesOfIdsComeFromTheFirstDescription) {
    FrameStore store;
    char name[MAX_NAMELENGTH];
    EXPECT_EQ(store.GetRigidBodyName(7, name, sizeof name), 4);  // nothing described
    EXPECT_STREQ(name, "");
    Scene().ApplyTo(store);

    EXPECT_EQ(store.GetRigidBodyName(7, name, sizeof name), 0);
    EXPECT_STREQ(name, "Head");  // not HeadAgain
    EXPECT_EQ(store.GetSkeletonName(2, name, sizeof name), 0);
    EXPECT_STREQ(name, "Bob");
    EXPECT_EQ(store.GetSkeletonBoneName(1, 11, name, sizeof name), 0);
    EXPECT_STREQ(name, "Knee");
    EXPECT_EQ(store.GetMarkerName("Wand", 2, name, sizeof name), 0);
    EXPECT_STREQ(name, "End");
    EXPECT_EQ(store.GetAnalogChannelName(1, name, sizeof name), 0);
    EXPECT_STREQ(name, "Analog 2");

    EXPECT_EQ(store.GetRigidBodyName(8, name, sizeof name), 4);
    EXPECT_EQ(store.GetSkeletonBoneName(2, 11, name, sizeof name), 4);  // a bone of Alice
    EXPECT_EQ(store.GetMarkerName("Wand", 3, name, sizeof name), 4);
    EXPECT_EQ(store.GetMarkerName("Wand", -1, name, sizeof name), 4);
    EXPECT_EQ(store.GetAnalogChannelName(2, name, sizeof name), 4);

    // "Head" needs 5 bytes: a shorter buffer is refused and left empty, never cut.
    char shortBuffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(store.GetRigidBodyName(7, shortBuffer, sizeof shortBuffer), 2);
    EXPECT_EQ(shortBuffer[0], '\0');
    char exact[5];
    EXPECT_EQ(store.GetRigidBodyName(7, exact, sizeof exact), 0);
    EXPECT_STREQ(exact, "Head");
    EXPECT_EQ(store.GetRigidBodyName(7, nullptr, 10), 2);
    EXPECT_EQ(store.GetRigidBodyName(7, name, 0), 2);
    EXPECT_EQ(store.GetMarkerName(nullptr, 0, name, sizeof name), 2);
}
