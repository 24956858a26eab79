// The receive path end to end: datagrams from the substitute server through reassembly and
// dispatch to the callbacks, the waiting requests and the frame store.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "EncodersMessage.h"
#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "mirav/MiravUtilities.h"
#include "store/GlobalObject.h"

using namespace nettest;
using mirav::sim::EncodeMessage;

namespace {

struct Received {
    std::mutex lock;
    std::vector<int32_t> frames;
    std::vector<sNotifyMsg> notes;
    int analog = 0;
};
Received gReceived;

void OnFrame(sFrameOfMocapData* frame, void*) {
    std::lock_guard<std::mutex> guard(gReceived.lock);
    gReceived.frames.push_back(frame->frameNumber);
}
void OnNotify(sNotifyMsg* message, void*) {
    std::lock_guard<std::mutex> guard(gReceived.lock);
    gReceived.notes.push_back(*message);
}
void OnAnalog(sFrameOfAnalogChannelData*, void*) {
    std::lock_guard<std::mutex> guard(gReceived.lock);
    ++gReceived.analog;
}

std::vector<int32_t> Frames() {
    std::lock_guard<std::mutex> guard(gReceived.lock);
    return gReceived.frames;
}

class ReceivePath : public ::testing::Test {
protected:
    void SetUp() override {
        {
            std::lock_guard<std::mutex> guard(gReceived.lock);
            gReceived.frames.clear();
            gReceived.notes.clear();
            gReceived.analog = 0;
        }
        ASSERT_TRUE(connection.started) << connection.server.Error();
        connection.core->SetDataCallback(&OnFrame, nullptr);
        connection.core->SetNotifyMsgCallback(&OnNotify, nullptr);
        connection.core->SetAnalogChCallback(&OnAnalog, nullptr);
        ASSERT_EQ(connection.Initialize(), 0);
        capture.Clear();
    }
    void TearDown() override {
        connection.core->SetDataCallback(nullptr, nullptr);
        connection.core->SetNotifyMsgCallback(nullptr, nullptr);
        connection.core->SetAnalogChCallback(nullptr, nullptr);
    }
    // Datagrams of a frame message cut into three fragments.
    std::vector<std::vector<uint8_t>> ThreeFragments(int32_t frameNumber) {
        const std::vector<uint8_t> body = connection.server.SceneModel().FrameBody(frameNumber);
        auto datagrams = EncodeMessage(103, 0, body, body.size() / 3 + 1);
        EXPECT_EQ(datagrams.size(), 3u);
        return datagrams;
    }
    void Send(const std::vector<uint8_t>& datagram) {
        ASSERT_TRUE(connection.server.SendDatagram(datagram));
    }
    // A marker frame sent afterwards shows that everything before it was handled.
    void Settle(int32_t marker = 9999) {
        connection.server.SendFrame(marker);
        ASSERT_TRUE(WaitUntil([&] {
            const auto frames = Frames();
            return std::find(frames.begin(), frames.end(), marker) != frames.end();
        }));
    }

    MessageCapture capture;
    Connection connection;
};

}  // namespace

TEST_F(ReceivePath, ReassemblesFragmentsAndSurvivesRepeatsAndGaps) {
    auto datagrams = ThreeFragments(1);
    for (const auto& datagram : datagrams) Send(datagram);
    Settle(9001);

    // A repeated middle fragment is reported and dropped; the message still completes.
    datagrams = ThreeFragments(2);
    Send(datagrams[0]);
    Send(datagrams[1]);
    Send(datagrams[1]);
    Send(datagrams[2]);
    Settle(9002);
    EXPECT_EQ(capture.Count("[MiravSDKClient] 621 1.\n"), 1u);

    // A missing middle fragment: the last one is reported and the message is never delivered;
    // the next first fragment starts a new message.
    datagrams = ThreeFragments(3);
    Send(datagrams[0]);
    Send(datagrams[2]);
    for (const auto& datagram : ThreeFragments(4)) Send(datagram);
    Settle(9003);
    EXPECT_EQ(capture.Count("[MiravSDKClient] 621 2.\n"), 1u);
    EXPECT_EQ(Frames(), (std::vector<int32_t>{1, 9001, 2, 9002, 4, 9003}));
}

TEST_F(ReceivePath, MalformedDatagramsAreReportedWithTheirValue) {
    Send(std::vector<uint8_t>(15, 0));
    auto datagram = EncodeMessage(103, 0, std::vector<uint8_t>(40, 1))[0];
    datagram.pop_back();  // one body byte fewer than the fragment length says
    Send(datagram);
    datagram = EncodeMessage(103, 0, std::vector<uint8_t>(40, 1))[0];
    datagram[0] = 0x34;
    datagram[1] = 0x12;
    Send(datagram);
    Settle();
    EXPECT_EQ(capture.LinesWithoutCloseNotices(),
              (std::vector<std::string>{"[MiravSDKClient] 573 15.\n", "[MiravSDKClient] 583 40.\n",
                                        "[MiravSDKClient] 590 4660.\n"}));
    EXPECT_EQ(Frames(), std::vector<int32_t>{9999});
}

TEST_F(ReceivePath, DatagramsFromAnotherAddressProduceNothing) {
    if (testsupport::RunningUnderWine()) {
        GTEST_SKIP() << "Wine sends from a datagram socket bound to 127.0.0.2 with the source "
                        "address 127.0.0.1, so no second sender address exists under Wine";
    }
    ASSERT_TRUE(connection.server.SendMessage(103, 0, connection.server.SceneModel().FrameBody(5),
                                              0, true));
    ASSERT_TRUE(connection.server.SendDatagram(std::vector<uint8_t>(15, 0), true));
    ASSERT_TRUE(connection.server.SendMessage(2, 0, {1, 2, 3}, 0, true));
    Settle();
    EXPECT_EQ(Frames(), std::vector<int32_t>{9999});
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(ReceivePath, AnalogNotifyAndUnknownMessages) {
    for (size_t size : {9639u, 9640u, 9641u}) {
        ASSERT_TRUE(connection.server.SendAnalogChannels(std::vector<uint8_t>(size, 7)));
    }
    std::vector<uint8_t> note(200);
    for (size_t i = 0; i < note.size(); ++i) note[i] = static_cast<uint8_t>(i + 1);
    ASSERT_TRUE(connection.server.SendNotification(note));
    ASSERT_TRUE(connection.server.SendNotification({9, 8, 7}));
    ASSERT_TRUE(connection.server.SendMessage(2, 0, {1, 2, 3}));
    ASSERT_TRUE(connection.server.SendMessage(106, 0, {1}));
    ASSERT_TRUE(connection.server.SendDescriptionBroadcast());
    Settle();

    std::lock_guard<std::mutex> guard(gReceived.lock);
    EXPECT_EQ(gReceived.analog, 1);
    ASSERT_EQ(gReceived.notes.size(), 2u);
    EXPECT_EQ(std::memcmp(gReceived.notes[0].data, note.data(), sizeof(sNotifyMsg)), 0);
    const uint8_t shortNote[4] = {9, 8, 7, 0};
    EXPECT_EQ(std::memcmp(gReceived.notes[1].data, shortNote, 4), 0);
    EXPECT_EQ(capture.LinesWithoutCloseNotices(),
              std::vector<std::string>{"[MiravSDKClient] 791 error command : 2.\n"});
}

TEST_F(ReceivePath, FrameWithoutDataCallbackStillReachesTheStore) {
    FrameStore& store = CGlobalObject::Instance().Store();
    for (int i = 0; i < 40; ++i) store.TakeFrame();  // drain frames of earlier tests
    connection.core->SetDataCallback(nullptr, nullptr);
    ASSERT_TRUE(connection.server.SendFrame(777));
    EXPECT_TRUE(WaitUntil([&] {
        const sFrameOfMocapData* frame = store.TakeFrame();
        return frame != nullptr && frame->frameNumber == 777;
    }));
}

namespace {

// Descriptions fetched over the network, as type 101 or 105, feed the by-name look-ups.
void CheckDescriptionsFeedLookups(uint8_t replyType) {
    mirav::sim::ServerConfig config = ConfigOnPorts();
    config.descriptionsType = replyType;
    Connection connection(config);
    ASSERT_TRUE(connection.started);
    ASSERT_EQ(connection.Initialize(), 0);
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(connection.core->GetDataDescriptions(&descriptions), 0);
    ASSERT_NE(descriptions, nullptr);
    EXPECT_EQ(descriptions->descriptionCount, 5);
    EXPECT_EQ(descriptions->descriptions[1].type, Descriptor_RigidBody);
    EXPECT_STREQ(descriptions->descriptions[1].Data.RigidBodyDescription->name, "RigidBody1");
    Solvanta_FreeDescriptions(descriptions);  // the store keeps its own copy

    FrameStore& store = CGlobalObject::Instance().Store();
    for (int i = 0; i < 40; ++i) store.TakeFrame();
    ASSERT_TRUE(connection.server.SendFrame(50));
    ASSERT_TRUE(WaitUntil([&] {
        const sFrameOfMocapData* frame = store.TakeFrame();
        return frame != nullptr && frame->frameNumber == 50;
    }));
    sRigidBodyData* body = nullptr;
    ASSERT_EQ(store.GetLastFrameRigidBodyByName("RigidBody2", &body), 0);
    EXPECT_EQ(body->id, 2);
    sRigidBodyData* bone = nullptr;
    ASSERT_EQ(store.GetLastFrameSkeletonByName("Walker", "Head", &bone), 0);
    EXPECT_EQ(bone->id, 102);
    float* point = nullptr;
    ASSERT_EQ(store.GetLastFrameMarkerByName("Wand", "Wand_2", &point), 0);
    EXPECT_FLOAT_EQ(point[0], 0.1f);
}

}  // namespace

TEST(ReceivePathDescriptions, DescriptionsOfType101FeedTheLookups) {
    CheckDescriptionsFeedLookups(101);
}

TEST(ReceivePathDescriptions, DescriptionsOfType105FeedTheLookups) {
    CheckDescriptionsFeedLookups(105);
}

TEST(ReceivePathDescriptions, TposeRequestWithLongNameIsSentInFragments) {
    Connection connection;
    ASSERT_TRUE(connection.started);
    ASSERT_EQ(connection.Initialize(), 0);
    const std::string name(3000, 'T');
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(connection.core->GetTposeDataDescriptions(name.c_str(), &descriptions), 0);
    ASSERT_NE(descriptions, nullptr);
    ASSERT_EQ(descriptions->descriptionCount, 1);
    ASSERT_EQ(descriptions->descriptions[0].type, Descriptor_Skeleton);
    EXPECT_EQ(std::string(descriptions->descriptions[0].Data.SkeletonDescription->name),
              name.substr(0, 255));
    Solvanta_FreeDescriptions(descriptions);

    std::vector<mirav::sim::ReceivedCommand> pieces;
    for (const auto& command : connection.server.Commands()) {
        if (command.type == 109) pieces.push_back(command);
    }
    ASSERT_EQ(pieces.size(), 3u);
    const uint16_t lengths[3] = {1462, 1462, 76};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pieces[i].fragmentIndex, i);
        EXPECT_EQ(pieces[i].fragmentLength, lengths[i]);
        EXPECT_EQ(pieces[i].totalLength, 3000);
        EXPECT_EQ(pieces[i].sequence, pieces[0].sequence);
    }
    EXPECT_EQ(pieces[0].sequence % 2, 0u);
}

TEST(ReceivePathDescriptions, TextReplyAndLateReplies) {
    MessageCapture capture;
    Connection connection;
    ASSERT_TRUE(connection.started);
    // The extended request is answered with a text reply, which the request accepts; the plain
    // request is answered twice, and the late copy finds no request and is dropped silently.
    connection.server.SetCommandHook([&](const mirav::sim::ReceivedCommand& command) {
        if (command.type == 107) return connection.server.SendTextReply(command.sequence, "hi");
        if (command.type == 102) {
            const auto body = connection.server.ServerDescriptionBody();
            connection.server.SendReply(102, command.sequence, body);
            connection.server.SendReply(102, command.sequence, body);
            connection.server.SendReply(102, 0, body);
            return true;
        }
        return false;
    });
    ASSERT_EQ(connection.Initialize(), 0);
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(connection.core->GetDataDescriptionsEx(&descriptions), 0);
    ASSERT_NE(descriptions, nullptr);
    Solvanta_FreeDescriptions(descriptions);
    sServerDescription description{};
    capture.Clear();
    ASSERT_EQ(connection.core->GetServerDescription(&description), 0);
    EXPECT_STREQ(description.hostComputerName, "mirav-sim");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(capture.LinesWithoutCloseNotices().empty());
}
