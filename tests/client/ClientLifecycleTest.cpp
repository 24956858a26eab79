// Initialize, keep-alive, Uninitialize and callback registration of the client core against the
// substitute server on ports of the internal tests.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "NetTestSupport.h"
#include "client/Callbacks.h"
#include "gtest/gtest.h"
#include "store/GlobalObject.h"

using namespace nettest;
using Clock = std::chrono::steady_clock;

namespace {

struct FrameCounter {
    std::atomic<int> frames{0};
    std::atomic<void*> lastContext{reinterpret_cast<void*>(1)};
};
FrameCounter gCounter;

void CountFrame(sFrameOfMocapData*, void* context) {
    gCounter.lastContext = context;
    gCounter.frames.fetch_add(1);
}

}  // namespace

TEST(ClientLifecycle, UnicastConnectKeepsAliveWithEvenSequenceNumbers) {
    Connection connection;
    ASSERT_TRUE(connection.started) << connection.server.Error();
    connection.core->SetKeepAliveSleepMs(30);  // a keep-alive every 300 ms
    ASSERT_EQ(connection.Initialize(), 0);
    EXPECT_TRUE(connection.core->IsConnected());
    EXPECT_EQ(connection.Initialize(), 13);
    EXPECT_EQ(CGlobalObject::Instance().ServerVersion(),
              4u | (0u << 8) | (56u << 16) | (34u << 24));

    sServerDescription description{};
    ASSERT_EQ(connection.core->GetServerDescription(&description), 0);
    EXPECT_TRUE(description.hostPresent);
    EXPECT_STREQ(description.hostComputerName, "mirav-sim");
    EXPECT_STREQ(description.hostApp, "Mirav Substitute Server");
    const uint8_t loopback[4] = {127, 0, 0, 1};
    EXPECT_EQ(std::memcmp(description.hostComputerAddress, loopback, 4), 0);
    const uint8_t version[4] = {4, 0, 56, 34};
    EXPECT_EQ(std::memcmp(description.sdkVersion, version, 4), 0);

    ASSERT_TRUE(connection.server.WaitForCommands(111, 4, std::chrono::seconds(5)));
    const auto commands = connection.server.Commands();
    std::vector<mirav::sim::ReceivedCommand> keepAlives;
    for (const auto& command : commands) {
        if (command.type == 111) keepAlives.push_back(command);
    }
    // One with sequence 0 sent by Initialize, then fresh even numbers from the keep-alive thread.
    EXPECT_EQ(keepAlives[0].sequence, 0u);
    for (size_t i = 1; i < keepAlives.size(); ++i) {
        EXPECT_EQ(keepAlives[i].sequence % 2, 0u);
        EXPECT_GE(keepAlives[i].sequence, 2u);
        EXPECT_LE(keepAlives[i].sequence, 32768u);
        EXPECT_EQ(keepAlives[i].totalLength, 0);
        EXPECT_TRUE(keepAlives[i].body.empty());
        const auto gap = keepAlives[i].at - keepAlives[i - 1].at;
        if (i >= 2) {
            EXPECT_GE(gap, std::chrono::milliseconds(250));
        }
    }
    // The connect request announces the library's version.
    ASSERT_EQ(commands[0].type, 0);
    ASSERT_EQ(commands[0].body.size(), 265u);
    EXPECT_EQ(std::memcmp(commands[0].body.data() + 260, version, 4), 0);
}

TEST(ClientLifecycle, RefusedVersionGivesTenAndTheExactLine) {
    MessageCapture capture;
    mirav::sim::ServerConfig config = ConfigOnPorts();
    config.accepted = 0;
    config.version = {3, 1, 0, 7};
    Connection connection(config);
    ASSERT_TRUE(connection.started);
    EXPECT_EQ(connection.Initialize(), 10);
    EXPECT_EQ(capture.Count("[Error] Current SDKVersion is Not Supported, Found the Server "
                            "Version is:3.1.0.7\n"),
              1u);
    EXPECT_FALSE(connection.core->IsInitialized());
    // No data channel was opened: its port is still free.
    mirav::sim::UdpSocket probe;
    EXPECT_TRUE(probe.Open(0, kDataPort));
    EXPECT_EQ(connection.server.CountCommands(111), 0u);
}

TEST(ClientLifecycle, ServerGivenByHostNameIsHeard) {
    Connection connection;
    ASSERT_TRUE(connection.started);
    ASSERT_EQ(connection.Initialize("localhost"), 0);
    sServerDescription description{};
    EXPECT_EQ(connection.core->GetServerDescription(&description), 0);
    gCounter.frames = 0;
    connection.core->SetDataCallback(&CountFrame, nullptr);
    connection.server.SendFrame(1);
    EXPECT_TRUE(WaitUntil([] { return gCounter.frames.load() == 1; }));
    connection.core->SetDataCallback(nullptr, nullptr);
}

TEST(ClientLifecycle, SilentServerGivesFifteenAfterTheWait) {
    mirav::sim::ServerConfig config = ConfigOnPorts();
    config.silentCommands = {0};
    Connection connection(config);
    ASSERT_TRUE(connection.started);
    const auto start = Clock::now();
    EXPECT_EQ(connection.Initialize(), 15);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    EXPECT_LT(waited, std::chrono::milliseconds(8000));
    EXPECT_FALSE(connection.core->IsConnected());
    // Requests on a client that is not initialized fail at once.
    sServerDescription description{};
    EXPECT_EQ(connection.core->GetServerDescription(&description), 1);
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(connection.core->GetDataDescriptions(&descriptions), 10);
    EXPECT_EQ(connection.core->WaitForForcePlateInit(100), 10);
}

TEST(ClientLifecycle, UninitializeEndsEveryThreadWithoutSpinning) {
    // Sanitizer runtimes start a helper thread with the first thread the process makes; make it
    // exist before counting.
    std::thread([] {}).join();
    const size_t threadsBefore = ThreadCount();
    const size_t descriptorsBefore = DescriptorCount();
    {
        Connection connection;
        ASSERT_TRUE(connection.started);
        connection.core->SetTeardownPauseMs(400);
        const size_t serverThreads = ThreadCount();
        ASSERT_EQ(connection.Initialize(), 0);
        // Two receive threads, the keep-alive thread and the monitor thread.
        EXPECT_EQ(ThreadCount(), serverThreads + 4);
        const double cpuBefore = testsupport::CpuSeconds();
        const auto start = Clock::now();
        EXPECT_EQ(connection.core->Uninitialize(), 0);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(800));
        // The keep-alive thread waits with short sleeps while the client is not initialized.
        EXPECT_LT(testsupport::CpuSeconds() - cpuBefore, 0.4);
        EXPECT_EQ(ThreadCount(), serverThreads);
        EXPECT_FALSE(connection.core->IsConnected());
        EXPECT_EQ(connection.core->Uninitialize(), 0);
    }
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_TRUE(HandlesAsBefore(descriptorsBefore));
}

TEST(ClientLifecycle, ReinitializeKeepsCallbacksWithNullContexts) {
    Connection connection;
    ASSERT_TRUE(connection.started);
    int context = 0;
    connection.core->SetDataCallback(&CountFrame, &context);
    ASSERT_EQ(connection.Initialize(), 0);
    gCounter.frames = 0;
    connection.server.SendFrame(1);
    ASSERT_TRUE(WaitUntil([] { return gCounter.frames.load() == 1; }));
    EXPECT_EQ(gCounter.lastContext.load(), &context);

    connection.core->Uninitialize();
    ASSERT_EQ(connection.Initialize(), 0);
    connection.server.SendFrame(2);
    ASSERT_TRUE(WaitUntil([] { return gCounter.frames.load() == 2; }));
    EXPECT_EQ(gCounter.lastContext.load(), nullptr);
    connection.core->SetDataCallback(nullptr, nullptr);
}

namespace {
struct ClientTally {
    std::atomic<int> frames{0};
};
void TallyFrame(sFrameOfMocapData*, void* context) {
    if (context != nullptr) static_cast<ClientTally*>(context)->frames.fetch_add(1);
}
void OtherFunction(sFrameOfMocapData*, void*) {}
}  // namespace

TEST(ClientLifecycle, TwoClientsShareCallbackFunctionsButKeepTheirContexts) {
    Connection first(ConfigOnPorts(kCommandPort, kDataPort));
    Connection second(ConfigOnPorts(kCommandPort + 2, kDataPort + 2));
    ASSERT_TRUE(first.started && second.started);
    ClientTally tallyFirst;
    ClientTally tallySecond;
    first.core->SetDataCallback(&TallyFrame, &tallyFirst);
    second.core->SetDataCallback(&TallyFrame, &tallySecond);
    ASSERT_EQ(first.Initialize(), 0);
    ASSERT_EQ(second.Initialize(), 0);
    for (int i = 1; i <= 3; ++i) first.server.SendFrame(i);
    second.server.SendFrame(1);
    EXPECT_TRUE(WaitUntil([&] { return tallyFirst.frames == 3 && tallySecond.frames == 1; }));
    // A registration through one client replaces the function of every client.
    second.core->SetDataCallback(&OtherFunction, &tallySecond);
    first.server.SendFrame(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(tallyFirst.frames.load(), 3);
    first.core->SetDataCallback(nullptr, nullptr);
}

TEST(ClientLifecycle, SequenceNumbersLeaveTheApplicationsRandomStateAlone) {
    std::srand(1234);
    const int expected = std::rand();
    Connection connection;
    ASSERT_TRUE(connection.started);
    std::srand(1234);
    ASSERT_EQ(connection.Initialize(), 0);
    sServerDescription description{};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(connection.core->GetServerDescription(&description), 0);
    EXPECT_EQ(std::rand(), expected);
}
