// Application callbacks that misbehave, a client whose Initialize fails half-way and one torn
// down under a waiting request: the library keeps running, reports, holds no lock while a
// callback runs and leaves nothing open or waiting.
#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "store/GlobalObject.h"

using namespace nettest;

namespace {

constexpr char kCallbackThrewLine[] = "[MiravSDKClient] 902 Failed.\n";

std::atomic<int> gFramesSeen{0};
std::atomic<int> gNotesSeen{0};

// Throws something that is no std::exception for frame 1, a std::exception for frame 2.
void ThrowingFrameCallback(sFrameOfMocapData* frame, void*) {
    gFramesSeen.fetch_add(1);
    if (frame->frameNumber == 1) throw 42;
    if (frame->frameNumber == 2) throw std::runtime_error("application fault");
}

void ThrowingNotifyCallback(sNotifyMsg*, void*) {
    gNotesSeen.fetch_add(1);
    throw 7;
}

void ThrowingMessageCallback(int, char*) { throw std::runtime_error("message sink fault"); }

}  // namespace

TEST(CallbackFaults, ThrowingCallbacksAreReportedAndTheReceiveThreadGoesOn) {
    MessageCapture capture;
    Connection connection;
    ASSERT_TRUE(connection.started) << connection.server.Error();
    gFramesSeen = 0;
    gNotesSeen = 0;
    connection.core->SetDataCallback(&ThrowingFrameCallback, nullptr);
    connection.core->SetNotifyMsgCallback(&ThrowingNotifyCallback, nullptr);
    ASSERT_EQ(connection.Initialize(), 0);
    FrameStore& store = CGlobalObject::Instance().Store();
    for (int i = 0; i < 40; ++i) store.TakeFrame();  // drain frames of earlier tests

    ASSERT_TRUE(connection.server.SendFrame(1));
    ASSERT_TRUE(WaitUntil([] { return gFramesSeen.load() == 1; }));
    ASSERT_TRUE(connection.server.SendFrame(2));
    ASSERT_TRUE(connection.server.SendNotification({1, 2, 3}));
    ASSERT_TRUE(connection.server.SendFrame(3));
    EXPECT_TRUE(WaitUntil([] { return gFramesSeen.load() == 3 && gNotesSeen.load() == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return capture.Count(kCallbackThrewLine) == 3; }));
    // A frame whose callback threw still reaches the store.
    const sFrameOfMocapData* frame = store.TakeFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->frameNumber, 1);

    connection.core->SetDataCallback(nullptr, nullptr);
    connection.core->SetNotifyMsgCallback(nullptr, nullptr);
    EXPECT_EQ(connection.core->Uninitialize(), 0);
}

TEST(CallbackFaults, ThrowingMessageCallbackNeverReachesTheCaller) {
    System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
    System::SetMessageCallback(&ThrowingMessageCallback);
    EXPECT_NO_THROW(System::ReportFailed(1));
    // A request on a client that is not initialized reports under the channel lock.
    ClientCore core;
    sServerDescription description{};
    int result = 0;
    EXPECT_NO_THROW(result = core.GetServerDescription(&description));
    EXPECT_EQ(result, 1);
    System::SetMessageCallback(nullptr);
}

namespace {

// The message callback asks another application thread to use the same client and waits a
// while for it, as an application that forwards messages to a worker does.
struct LockProbe {
    ClientCore* core = nullptr;
    std::atomic<bool> probing{false};
    std::atomic<bool> otherThreadFinished{false};
    std::future<void> other;
};
LockProbe gProbe;

void ProbingMessageCallback(int, char*) {
    if (gProbe.probing.exchange(true)) return;
    gProbe.other = std::async(std::launch::async, [] {
        sServerDescription description{};
        gProbe.core->GetServerDescription(&description);
    });
    gProbe.otherThreadFinished =
        gProbe.other.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
}

}  // namespace

TEST(CallbackFaults, MessageCallbackRunsWithoutTheChannelLock) {
    ClientCore core;
    gProbe.core = &core;
    gProbe.probing = false;
    gProbe.otherThreadFinished = false;
    System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
    System::SetMessageCallback(&ProbingMessageCallback);
    sServerDescription description{};
    EXPECT_EQ(core.GetServerDescription(&description), 1);
    System::SetMessageCallback(nullptr);
    ASSERT_TRUE(gProbe.probing.load());
    gProbe.other.wait();
    EXPECT_TRUE(gProbe.otherThreadFinished.load());
}

TEST(CallbackFaults, DataChannelFailureLeavesTheClientClosedAndDisconnected) {
    std::thread([] {}).join();
    const size_t descriptorsBefore = DescriptorCount();
    Connection connection;
    ASSERT_TRUE(connection.started);
    const size_t serverThreads = ThreadCount();
    // Another socket already holds the data port, so the unicast data channel cannot bind.
    System::CSocketFacade& facade = CGlobalObject::Instance().Facade();
    System::SocketHandle blocker = System::kInvalidSocket;
    ASSERT_EQ(facade.CreateServer(&blocker, kDataPort, System::kDatagramSocket), 0);

    EXPECT_EQ(connection.Initialize(), 1);
    EXPECT_FALSE(connection.core->IsInitialized());
    EXPECT_FALSE(connection.core->IsConnected());
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(connection.core->GetDataDescriptions(&descriptions), 10);
    EXPECT_EQ(connection.core->WaitForForcePlateInit(100), 10);
    EXPECT_EQ(ThreadCount(), serverThreads);

    facade.Close(blocker);
    EXPECT_EQ(connection.Initialize(), 0);
    EXPECT_TRUE(connection.core->IsConnected());
    EXPECT_EQ(connection.core->Uninitialize(), 0);
    connection.core.reset();
    connection.server.Stop();
    EXPECT_TRUE(HandlesAsBefore(descriptorsBefore));
}

TEST(CallbackFaults, UninitializeEndsARequestWaitingInAnotherThread) {
    mirav::sim::ServerConfig config = ConfigOnPorts();
    config.silentCommands = {102};
    Connection connection(config);
    ASSERT_TRUE(connection.started);
    ASSERT_EQ(connection.Initialize(), 0);
    std::atomic<bool> requestDone{false};
    int result = 0;
    std::thread requester([&] {
        sServerDescription description{};
        result = connection.core->GetServerDescription(&description);
        requestDone = true;
    });
    ASSERT_TRUE(connection.server.WaitForCommands(102, 1, std::chrono::seconds(3)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.core->Uninitialize(), 0);
    // The request ends with the teardown, long before its 5 s wait would run out.
    EXPECT_TRUE(WaitUntil([&] { return requestDone.load(); }, std::chrono::milliseconds(2000)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    requester.join();
    EXPECT_EQ(result, 1);
}
