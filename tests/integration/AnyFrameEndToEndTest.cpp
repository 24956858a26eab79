// Look-ups by name inside the data callback, on a copy and on the polled frame, and names of ids,
// through the public interface against the substitute server's scene.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ForcePlateSim.h"
#include "Server.h"
#include "gtest/gtest.h"
#include "mirav/Mirav.h"

namespace {

struct CallbackFindings {
    MiravSDKClient* client = nullptr;
    std::mutex lock;
    int checked = 0;
    int failures = 0;
    std::string firstFailure;
    // Heap: the record is over a megabyte, too large for some threads' stacks.
    std::unique_ptr<sFrameOfMocapData> copy = std::make_unique<sFrameOfMocapData>();
    bool haveCopy = false;
    float hipsX = 0;

    void Fail(const std::string& what) {
        if (failures++ == 0) firstFailure = what;
    }
};

// Every look-up must point into the frame the callback received.
void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* f = static_cast<CallbackFindings*>(context);
    std::lock_guard<std::mutex> guard(f->lock);
    sRigidBodyData* body = nullptr;
    if (f->client->FindRigidBodyByName(frame, "RigidBody2", &body) != MiravResult_Ok ||
        body < frame->rigidBodies || body >= frame->rigidBodies + frame->rigidBodyCount ||
        body->id != 2) {
        f->Fail("rigid body");
    }
    sRigidBodyData* hips = nullptr;
    if (f->client->FindSkeletonBoneByName(frame, "Walker", "Hips", &hips) != MiravResult_Ok ||
        hips != &frame->skeletons[0].rigidBodyData[0]) {
        f->Fail("bone");
    }
    float* marker = nullptr;
    if (f->client->FindMarkerByName(frame, "Wand", "Wand_2", &marker) != MiravResult_Ok ||
        marker != frame->mocapData[0].markers[1]) {
        f->Fail("marker");
    }
    float analog = 0;
    if (f->client->FindAnalogValueByName(frame, "Analog 3", &analog) != MiravResult_Ok ||
        analog != frame->analogData[2]) {
        f->Fail("analog");
    }
    if (!f->haveCopy && hips != nullptr) {
        f->haveCopy = Solvanta_CopyFrame(frame, f->copy.get()) == MiravResult_Ok;
        f->hipsX = hips->x;
    }
    ++f->checked;
}

}  // namespace

TEST(AnyFrameLookupsEndToEnd, CallbackCopyAndPolledFrameFindByNameAndIdsHaveNames) {
    mirav::sim::Server server;
    server.SceneModel().SetForcePlates(mirav::sim::DemoForcePlates());  // two plates, one device
    ASSERT_TRUE(server.Start()) << server.Error();
    server.StartStreaming(100);
    CallbackFindings findings;
    MiravSDKClient client;
    findings.client = &client;
    ASSERT_EQ(client.Initialize("127.0.0.1"), MiravResult_Ok);
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(client.GetDataDescriptions(&descriptions), MiravResult_Ok);
    client.FreeDataDescriptions(descriptions);
    // The plates take their channels, so analogData holds the analog device's four channels.
    ASSERT_EQ(client.WaitForForcePlateInit(5000), MiravResult_Ok);
    client.SetDataCallback(&OnFrame, &findings);

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::lock_guard<std::mutex> guard(findings.lock);
            if (findings.checked >= 10 && findings.haveCopy) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    client.SetDataCallback(nullptr, nullptr);
    {
        std::lock_guard<std::mutex> guard(findings.lock);
        EXPECT_GE(findings.checked, 10);
        EXPECT_EQ(findings.failures, 0) << "first failed look-up: " << findings.firstFailure;
        ASSERT_TRUE(findings.haveCopy);
    }

    // The copy outlives its callback; look-ups point into the copy.
    sRigidBodyData* hips = nullptr;
    ASSERT_EQ(client.FindSkeletonBoneByName(findings.copy.get(), "Walker", "Hips", &hips),
              MiravResult_Ok);
    EXPECT_EQ(hips, &findings.copy->skeletons[0].rigidBodyData[0]);
    EXPECT_EQ(hips->x, findings.hipsX);
    Solvanta_FreeFrame(findings.copy.get());

    // The polled current frame, and the flat forms.
    sFrameOfMocapData* current = client.GetLastFrameOfMocapData();
    ASSERT_NE(current, nullptr);
    sRigidBodyData* body = nullptr;
    EXPECT_EQ(FindRigidBodyByName(&client, current, "RigidBody1", &body), MiravResult_Ok);
    EXPECT_EQ(FindRigidBodyByName(nullptr, current, "RigidBody1", &body),
              MiravResult_InvalidArgument);

    char name[MAX_NAMELENGTH];
    EXPECT_EQ(client.GetRigidBodyName(current->rigidBodies[0].id, name, sizeof name), 0);
    EXPECT_STREQ(name, "RigidBody1");
    EXPECT_EQ(client.GetSkeletonName(current->skeletons[0].skeletonId, name, sizeof name), 0);
    EXPECT_STREQ(name, "Walker");
    EXPECT_EQ(GetSkeletonBoneName(&client, current->skeletons[0].skeletonId,
                                  current->skeletons[0].rigidBodyData[2].id, name, sizeof name),
              0);
    EXPECT_STREQ(name, "Head");
    EXPECT_EQ(GetMarkerName(&client, "Wand", 0, name, sizeof name), 0);
    EXPECT_STREQ(name, "Wand_1");
    // Position 0 of analogData names the analog device's channel, not a plate's.
    EXPECT_EQ(GetAnalogChannelName(&client, 0, name, sizeof name), 0);
    EXPECT_STREQ(name, "Analog 1");
    client.Uninitialize();
}
