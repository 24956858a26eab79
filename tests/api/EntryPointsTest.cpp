#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "mirav/Mirav.h"
#include "platform/Diagnostics.h"

namespace {

std::vector<std::pair<int, std::string>> gMessages;

void CollectMessage(int level, char* message) { gMessages.emplace_back(level, message); }

class MessageCapture {
public:
    MessageCapture() {
        gMessages.clear();
        System::SetVerbosityLevel(4);
        System::SetMessageCallback(&CollectMessage);
    }
    ~MessageCapture() { System::SetMessageCallback(nullptr); }
};

// A client object whose core pointer is null, as after a failed core allocation.
class CorelessClient {
public:
    CorelessClient() { std::memset(storage_, 0, sizeof storage_); }
    MiravSDKClient* operator->() {
        return std::launder(reinterpret_cast<MiravSDKClient*>(storage_));
    }

private:
    alignas(MiravSDKClient) unsigned char storage_[sizeof(MiravSDKClient)];
};

TEST(ClientRecord, IsOnePointer) { EXPECT_EQ(sizeof(MiravSDKClient), 8u); }

TEST(RigidBodyRecord, DefaultConstructionClearsPointersAndFlags) {
    alignas(sRigidBodyData) unsigned char raw[sizeof(sRigidBodyData)];
    std::memset(raw, 0xAB, sizeof raw);
    auto* body = new (raw) sRigidBodyData;
    EXPECT_EQ(body->markers, nullptr);
    EXPECT_EQ(body->markerIds, nullptr);
    EXPECT_EQ(body->markerSizes, nullptr);
    EXPECT_EQ(body->params, 0);
    EXPECT_NE(body->id, 0);  // everything else is left as allocated
}

TEST(FlatInterface, EveryFunctionAnswersTwoForANullClient) {
    MessageCapture capture;
    sDataDescriptions record;
    sDataDescriptions* out = nullptr;
    sServerDescription server;
    float f = 0;
    float* fp = nullptr;
    sRigidBodyData* rb = nullptr;
    sMarker* marker = nullptr;
    int i = 0;
    uint32_t u = 0;
    int64_t l = 0;
    unsigned char version[4];
    char text[32];
    char name[] = "x";
    EXPECT_EQ(DestroyClient(nullptr), 2);
    EXPECT_EQ(Initialize(nullptr, name), 2);
    EXPECT_EQ(Uninitialize(nullptr), 2);
    EXPECT_EQ(WaitForForcePlateInit(nullptr, 10), 2);
    EXPECT_EQ(GetServerDescription(nullptr, &server), 2);
    EXPECT_EQ(GetDataDescriptions(nullptr, &out), 2);
    EXPECT_EQ(GetDataDescriptionsEx(nullptr, &record, &out), 2);
    EXPECT_EQ(FreeDataDescriptions(nullptr, &record), 2);
    EXPECT_EQ(FreeDataDescriptionsEx(nullptr, &record), 2);
    EXPECT_EQ(GetTposeDataDescriptions(nullptr, name, &out), 2);
    EXPECT_EQ(SetDataCallback(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(SetForcePlateCallback(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(SetNotifyMsgCallback(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(SetAnalogChCallback(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(SetMessageCallback(nullptr, nullptr), 2);
    EXPECT_EQ(SetVerbosityLevel(nullptr, 0), 2);
    EXPECT_EQ(GetLastFrameOfMocapData(nullptr), nullptr);
    EXPECT_EQ(GetLastFrameMarkerByName(nullptr, "a", "b", &fp), 2);
    EXPECT_EQ(GetLastFrameRigidBodyByName(nullptr, "a", &rb), 2);
    EXPECT_EQ(GetLastFrameSkeletonByName(nullptr, "a", "b", &rb), 2);
    EXPECT_EQ(GetLastFrameAnalogdata(nullptr, "a", &f), 2);
    EXPECT_EQ(GetLastFrameLabeledMarker(nullptr, &marker), 2);
    EXPECT_EQ(GetLastFrameUndefined(nullptr, 0, &fp), 2);
    EXPECT_EQ(GetLastFrameDataByType(nullptr, 1, &i), 2);
    EXPECT_EQ(GetLastFrameLatency(nullptr, &f), 2);
    EXPECT_EQ(GetLastFrameSubframe(nullptr, &u), 2);
    EXPECT_EQ(GetLastFrameTimecode(nullptr, &u), 2);
    EXPECT_EQ(GetLastFrameTimeStamp(nullptr, &l), 2);
    EXPECT_EQ(MiravFreeFrame(nullptr, nullptr), 2);
    EXPECT_EQ(MiravVersion(nullptr, version), 2);
    EXPECT_EQ(DecodeTimecode(nullptr, 0, 0, &i, &i, &i, &i, &i), 2);
    EXPECT_EQ(TimecodeStringify(nullptr, 0, 0, text, sizeof text), 2);
    EXPECT_TRUE(gMessages.empty()) << "a null client is answered without a message";
}

TEST(FlatInterface, AssertionsReportUnitAndLineAndReturnTwo) {
    MessageCapture capture;
    MiravSDKClient* client = nullptr;
    ASSERT_EQ(CreateClient(&client), 0);
    ASSERT_NE(client, nullptr);

    EXPECT_EQ(CreateClient(nullptr), 2);
    EXPECT_EQ(GetDataDescriptions(client, nullptr), 2);
    EXPECT_EQ(FreeDataDescriptions(client, nullptr), 2);
    sDataDescriptions* out = nullptr;
    EXPECT_EQ(GetDataDescriptionsEx(client, nullptr, &out), 2);
    EXPECT_EQ(FreeDataDescriptionsEx(client, nullptr), 2);
    // The assertion comes before the client check.
    EXPECT_EQ(GetDataDescriptions(nullptr, nullptr), 2);

    const int expectedLines[] = {19, 111, 121, 131, 148, 111};
    ASSERT_EQ(gMessages.size(), 6u);
    for (size_t n = 0; n < gMessages.size(); ++n) {
        EXPECT_EQ(gMessages[n].first, 1);
        EXPECT_NE(gMessages[n].second.find("ManagedMiravSDKClient"), std::string::npos);
        EXPECT_NE(gMessages[n].second.find("line " + std::to_string(expectedLines[n])),
                  std::string::npos)
            << gMessages[n].second;
    }
    EXPECT_EQ(DestroyClient(client), 0);
}

TEST(FlatInterface, ForwardsToAClientWithoutConnection) {
    MiravSDKClient* client = nullptr;
    ASSERT_EQ(CreateClient(&client), 0);
    sDataDescriptions* out = nullptr;
    sDataDescriptions record;
    char name[] = "pose";
    EXPECT_EQ(GetDataDescriptions(client, &out), 10);
    EXPECT_EQ(GetDataDescriptionsEx(client, &record, &out), 2) << "not 10: every failure is 2";
    EXPECT_EQ(GetTposeDataDescriptions(client, name, &out), 10);
    EXPECT_EQ(WaitForForcePlateInit(client, 0), 10);
    EXPECT_EQ(SetVerbosityLevel(client, 4), 0);
    int values[5] = {};
    EXPECT_EQ(DecodeTimecode(client, 0x01020304u, 5, &values[0], &values[1], &values[2], &values[3],
                             &values[4]),
              1);
    EXPECT_EQ(values[3], 4);
    EXPECT_EQ(DecodeTimecode(client, 0, 0, &values[0], nullptr, &values[2], &values[3], &values[4]),
              0);
    char text[8];
    EXPECT_EQ(TimecodeStringify(client, 0x01020304u, 5, text, sizeof text), 1);
    EXPECT_STREQ(text, "01:02:0");
    unsigned char version[4] = {};
    EXPECT_EQ(MiravVersion(client, version), 0);
    EXPECT_EQ(version[2], 56);
    int value = -5;
    EXPECT_EQ(GetLastFrameDataByType(client, 1, nullptr), 2);
    EXPECT_EQ(GetLastFrameDataByType(client, 99, &value), 0);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(DestroyClient(client), 0);
}

TEST(ClassInterface, MembersWithoutACoreAnswerWithoutTouchingAnything) {
    CorelessClient client;
    char name[] = "x";
    sDataDescriptions* out = nullptr;
    sServerDescription server;
    float f = 0;
    float* fp = nullptr;
    sRigidBodyData* rb = nullptr;
    sMarker* marker = nullptr;
    static sFrameExtendData extend;
    EXPECT_EQ(client->Initialize(name), 2);
    EXPECT_EQ(client->Uninitialize(), 2);
    EXPECT_EQ(client->WaitForForcePlateInit(0), 2);
    EXPECT_EQ(client->GetServerDescription(&server), 2);
    EXPECT_EQ(client->GetDataDescriptions(&out), 2);
    EXPECT_EQ(client->GetDataDescriptionsEx(&out), 2);
    EXPECT_EQ(client->GetTposeDataDescriptions(name, &out), 2);
    EXPECT_EQ(client->SetDataCallback(nullptr, nullptr), 2);
    EXPECT_EQ(client->SetForcePlateCallback(nullptr, nullptr), 2);
    EXPECT_EQ(client->SetNotifyMsgCallback(nullptr, nullptr), 2);
    EXPECT_EQ(client->SetAnalogChCallback(nullptr, nullptr), 2);
    EXPECT_EQ(client->SetMessageCallback(nullptr), 2);
    const int verbosity = System::VerbosityLevel();
    client->SetVerbosityLevel(verbosity + 3);
    EXPECT_EQ(System::VerbosityLevel(), verbosity);
    EXPECT_EQ(client->GetLastFrameOfMocapData(), nullptr);
    EXPECT_EQ(client->GetLastFrameMarkerByName("a", "b", &fp), 2);
    EXPECT_EQ(client->GetLastFrameRigidBodyByName("a", &rb), 2);
    EXPECT_EQ(client->GetLastFrameSkeletonByName("a", "b", &rb), 2);
    EXPECT_EQ(client->GetLastFrameAnalogdata("a", &f), 2);
    EXPECT_EQ(client->GetLastFrameDataByType(1), 2);
    EXPECT_EQ(client->GetLastFrameExtendData(extend), 2);
    EXPECT_EQ(client->GetLastFrameLabeledMarker(&marker), 2);
    EXPECT_EQ(client->GetLastFrameLatency(), 2.0f);
    EXPECT_EQ(client->GetLastFrameSubframe(), 2u);
    EXPECT_EQ(client->GetLastFrameTimeStamp(), 2);
    EXPECT_EQ(client->GetLastFrameTimecode(), 2u);
    EXPECT_EQ(client->GetLastFrameUndefined(0, &fp), 2);
    // The utilities do not need a core.
    unsigned char version[4] = {};
    client->MiravSDKVersion(version);
    EXPECT_EQ(version[0], 4);
    EXPECT_EQ(client->MiravFreeFrame(nullptr), 2);
}

TEST(ClassInterface, CopyAssignmentSharesTheCore) {
    auto* first = new MiravSDKClient;
    CorelessClient second;  // raw storage: never destroyed, so the shared core is torn down once
    *second.operator->() = *first;
    sDataDescriptions* out = nullptr;
    EXPECT_EQ(second->GetDataDescriptions(&out), 10) << "the shared core is not connected";
    EXPECT_EQ(second->SetDataCallback(nullptr, nullptr), 0);
    delete first;
}

}  // namespace
