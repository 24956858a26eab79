// Stream continuity against the substitute server on the protocol's own ports: connection
// states, stalls, automatic reconnection across server restarts, bounded waits and the
// sentences of GetLastErrorText.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "Server.h"
#include "gtest/gtest.h"
#include "mirav/Mirav.h"
#include "support/ProcessProbe.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

bool WaitUntil(const std::function<bool()>& condition, milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return condition();
}

// Everything the callbacks of one client saw.
struct Observer {
    std::mutex lock;
    std::vector<int> states;  // the new state of each change, in order
    std::vector<int> previous;
    std::atomic<int> frames{0};
    std::atomic<int> lastFrame{0};

    std::vector<int> States() {
        std::lock_guard<std::mutex> guard(lock);
        return states;
    }
    int Current() {
        std::lock_guard<std::mutex> guard(lock);
        return states.empty() ? -1 : states.back();
    }
    // Changes seen since index first, as one list.
    std::vector<int> StatesFrom(size_t first) {
        std::lock_guard<std::mutex> guard(lock);
        return first < states.size() ? std::vector<int>(states.begin() + first, states.end())
                                     : std::vector<int>();
    }
};

void OnState(int state, int previousState, void* context) {
    auto* observer = static_cast<Observer*>(context);
    std::lock_guard<std::mutex> guard(observer->lock);
    observer->states.push_back(state);
    observer->previous.push_back(previousState);
}

// The data callback is process-wide: a later client without a context gets null here.
void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* observer = static_cast<Observer*>(context);
    if (observer == nullptr) return;
    observer->lastFrame = frame->frameNumber;
    observer->frames.fetch_add(1);
}

std::string LastError(MiravSDKClient& client) {
    char text[512] = "unset";
    EXPECT_EQ(client.GetLastErrorText(text, sizeof(text)), 0);
    return text;
}

std::unique_ptr<mirav::sim::Server> StartServer(int rigidBodies = mirav::sim::Scene::kRigidBodies,
                                                uint8_t accepted = 1, bool multicast = false) {
    mirav::sim::ServerConfig config;
    config.multicast = multicast;
    config.accepted = accepted;
    if (accepted == 0) config.version = {4, 1, 0, 0};
    auto server = std::make_unique<mirav::sim::Server>(config);
    server->SceneModel().SetSize(rigidBodies, 1, mirav::sim::Scene::kMarkersPerSet);
    if (!server->Start()) return nullptr;
    server->StartStreaming(100);
    return server;
}

constexpr int kDisconnected = MiravConnectionState_Disconnected;
constexpr int kConnecting = MiravConnectionState_Connecting;
constexpr int kStreaming = MiravConnectionState_Streaming;
constexpr int kStalled = MiravConnectionState_Stalled;
constexpr int kReconnecting = MiravConnectionState_Reconnecting;

char gLoopback[] = "127.0.0.1";

// Watches the client with the observer, sets its stall time and its reconnection interval (0:
// no reconnection), connects it to the server on loopback and waits until frames stream.
bool ConnectAndStream(MiravSDKClient& client, Observer& observer, int stallMs, int retryMs) {
    return client.SetConnectionStateCallback(&OnState, &observer) == 0 &&
           client.SetStallTimeout(stallMs) == 0 &&
           (retryMs == 0 || client.SetAutoReconnect(1, retryMs) == 0) &&
           client.Initialize(gLoopback) == 0 &&
           WaitUntil([&] { return observer.Current() == kStreaming; }, milliseconds(3000));
}

}  // namespace

// A server that goes away and comes back (also with a new scene) is followed: states in order,
// frames resume within the retry interval plus a second, descriptions are those of the new
// server, and repeated restarts leave no thread or handle behind.
TEST(Continuity, ServerRestartsAreFollowedWithoutLeaks) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    Observer observer;
    MiravSDKClient client;
    ASSERT_EQ(client.SetConnectionStateCallback(&OnState, &observer), 0);
    client.SetDataCallback(&OnFrame, &observer);
    constexpr int kRetryMs = 200;
    ASSERT_EQ(client.SetStallTimeout(300), 0);
    ASSERT_EQ(client.SetAutoReconnect(1, kRetryMs), 0);
    ASSERT_EQ(client.Initialize(gLoopback), 0);
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(client.GetDataDescriptions(&descriptions), 0);
    client.FreeDataDescriptions(descriptions);
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kStreaming; }, milliseconds(3000)));
    EXPECT_EQ(observer.States(), (std::vector<int>{kConnecting, kStreaming}));

    // A restart with a larger scene: the cached descriptions must name the new body.
    const size_t before = observer.States().size();
    server.reset();
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kReconnecting; }, milliseconds(3000)));
    server = StartServer(5);
    ASSERT_TRUE(server);
    const auto restartedAt = Clock::now();
    const int framesBefore = observer.frames.load();
    ASSERT_TRUE(WaitUntil([&] { return observer.frames.load() > framesBefore; },
                          milliseconds(kRetryMs + 1000)))
        << "frames did not resume within the retry interval plus 1 s";
    EXPECT_LT(Clock::now() - restartedAt, milliseconds(kRetryMs + 1000));
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kStreaming; }, milliseconds(1000)));
    const std::vector<int> changes = observer.StatesFrom(before);
    ASSERT_GE(changes.size(), 3u);
    EXPECT_EQ(changes.front(), kStalled);
    EXPECT_EQ(changes[1], kReconnecting);
    EXPECT_EQ(changes.back(), kStreaming);
    // A queue of one frame: the current frame is the newest, from the new scene.
    ASSERT_EQ(client.SetFrameQueueCapacity(1), 0);
    ASSERT_TRUE(
        WaitUntil([&] { return observer.frames.load() > framesBefore + 2; }, milliseconds(1000)));
    ASSERT_NE(client.GetLastFrameOfMocapData(), nullptr);
    EXPECT_EQ(client.SetFrameQueueCapacity(32), 0);
    sRigidBodyData* body = nullptr;
    EXPECT_EQ(client.GetLastFrameRigidBodyByName("RigidBody5", &body), 0);
    EXPECT_GE(server->CountCommands(111), 1u);  // subscribed again at once (unicast)

    // Repeated restarts: after each, frames flow again and nothing accumulates.
    const size_t threads = testsupport::ThreadCount();
    const size_t handles = testsupport::OpenHandleCount();
    const char* cyclesText = std::getenv("MIRAV_RESTART_CYCLES");
    const int cycles = cyclesText != nullptr ? std::atoi(cyclesText) : 10;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        server.reset();
        ASSERT_TRUE(
            WaitUntil([&] { return observer.Current() == kReconnecting; }, milliseconds(3000)))
            << "cycle " << cycle;
        server = StartServer();
        ASSERT_TRUE(server);
        const int seen = observer.frames.load();
        ASSERT_TRUE(WaitUntil(
            [&] { return observer.frames.load() > seen && observer.Current() == kStreaming; },
            milliseconds(kRetryMs + 1500)))
            << "cycle " << cycle;
    }
    // Each server numbers its frames from the start: neither a gap nor frames out of order,
    // although the new server's first frames arrive before the reconnection has finished.
    sStreamStatistics statistics{};
    statistics.size = sizeof(statistics);
    ASSERT_EQ(client.GetStreamStatistics(&statistics), 0);
    EXPECT_EQ(statistics.framesOutOfOrder, 0u);
    EXPECT_EQ(testsupport::ThreadCount(), threads);
    // A leak grows with the restarts; a process-wide lock first contended in some cycle keeps the
    // event the threads runtime gave it.
    EXPECT_LE(testsupport::OpenHandleCount(), handles + testsupport::kRuntimeLazyHandles);

    EXPECT_EQ(client.Uninitialize(), 0);
    EXPECT_EQ(observer.Current(), kDisconnected);
    int state = -1;
    EXPECT_EQ(client.GetConnectionState(&state), 0);
    EXPECT_EQ(state, kDisconnected);
}

// Frames that pause while the server stays: Stalled after the stall time with a sentence that
// says so, Streaming again with the next frame; no reconnection when it is off.
TEST(Continuity, StallAndRecoveryOfFramesAlone) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    Observer observer;
    MiravSDKClient client;
    client.SetDataCallback(&OnFrame, &observer);
    ASSERT_TRUE(ConnectAndStream(client, observer, 400, 0));

    server->StopStreaming();
    const auto pausedAt = Clock::now();
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kStalled; }, milliseconds(3000)));
    EXPECT_GE(Clock::now() - pausedAt, milliseconds(300));
    EXPECT_EQ(LastError(client),
              "connected, but no frames for 0.4 s: check the firewall for UDP 5231 or the "
              "multicast route");
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(observer.Current(), kStalled);  // stays there: reconnection is off
    EXPECT_EQ(server->CountCommands(0), 1u);

    server->StartStreaming(100);
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kStreaming; }, milliseconds(3000)));
    EXPECT_EQ(observer.States(), (std::vector<int>{kConnecting, kStreaming, kStalled, kStreaming}));

    // Stall detection off: a pause changes nothing.
    ASSERT_EQ(client.SetStallTimeout(0), 0);
    server->StopStreaming();
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_EQ(observer.Current(), kStreaming);
    EXPECT_EQ(client.SetStallTimeout(-1), 2);
    EXPECT_EQ(client.SetAutoReconnect(1, -5), 2);
    EXPECT_EQ(client.Uninitialize(), 0);
}

// Uninitialize while the client waits for a silent server's reply to its handshake returns as
// quickly as an ordinary Uninitialize, and the last change reported is Disconnected.
TEST(Continuity, UninitializeDuringRetriesReturnsPromptly) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    Observer observer;
    MiravSDKClient client;
    // Each handshake waits up to 3 s for its reply.
    ASSERT_TRUE(ConnectAndStream(client, observer, 200, 3000));
    server->StopStreaming();
    server->SetSilent(true);
    const size_t connects = server->CountCommands(0);
    ASSERT_TRUE(server->WaitForCommands(0, connects + 1, milliseconds(3000)));
    EXPECT_EQ(observer.Current(), kReconnecting);

    const auto start = Clock::now();
    EXPECT_EQ(client.Uninitialize(), 0);
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    EXPECT_EQ(observer.Current(), kDisconnected);
}

// Bounded waits: the request time-out applies to Initialize and to requests, out-of-range
// values are refused, and a port nobody listens on fails at once with the same code.
TEST(Continuity, RequestTimeoutAndUnreachablePort) {
    MiravSDKClient client;
    EXPECT_EQ(client.SetRequestTimeout(0), 2);
    EXPECT_EQ(client.SetRequestTimeout(-1), 2);
    ASSERT_EQ(client.SetRequestTimeout(300), 0);
    {
        mirav::sim::Server silent;
        ASSERT_TRUE(silent.Start()) << silent.Error();
        silent.SetSilent(true);
        const auto start = Clock::now();
        EXPECT_EQ(client.Initialize(gLoopback), 15);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, milliseconds(290));
        EXPECT_LT(took, milliseconds(2500));
        EXPECT_EQ(LastError(client),
                  "no reply from 127.0.0.1:5230 within 300 ms: is the server running and is UDP "
                  "5230 open?");
    }

    // Nothing listens on 5230: the host answers "port unreachable" and Initialize stops at once.
    Observer observer;
    client.SetConnectionStateCallback(&OnState, &observer);
    ASSERT_EQ(client.SetRequestTimeout(5000), 0);
    const auto start = Clock::now();
    EXPECT_EQ(client.Initialize(gLoopback), 15);
    const auto took = Clock::now() - start;
    // Wine hands the host's report only to a receive started after it arrived, and the receive
    // thread is already waiting: there the request waits out its time-out instead.
    if (!testsupport::RunningUnderWine()) {
        EXPECT_LT(took, milliseconds(500));
        EXPECT_EQ(LastError(client), "port 5230 unreachable on 127.0.0.1: nothing is listening");
    }
    EXPECT_EQ(observer.States(), (std::vector<int>{kConnecting, kDisconnected}));

    // A request to a server that went away fails at once too.
    auto server = StartServer();
    ASSERT_TRUE(server);
    ASSERT_EQ(client.Initialize(gLoopback), 0);
    server.reset();
    sServerDescription description{};
    const auto asked = Clock::now();
    EXPECT_EQ(client.GetServerDescription(&description), 1);
    if (!testsupport::RunningUnderWine()) {
        EXPECT_LT(Clock::now() - asked, milliseconds(500));
    }
    client.Uninitialize();
}

// A server that comes back refusing this library's version is handled as Initialize would:
// the client ends Disconnected, says why, and requests answer "not connected".
TEST(Continuity, ServerBackWithRefusedVersionDisconnects) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    Observer observer;
    MiravSDKClient client;
    ASSERT_TRUE(ConnectAndStream(client, observer, 200, 100));
    server.reset();
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kReconnecting; }, milliseconds(3000)));
    server = StartServer(mirav::sim::Scene::kRigidBodies, 0);
    ASSERT_TRUE(server);
    ASSERT_TRUE(WaitUntil([&] { return observer.Current() == kDisconnected; }, milliseconds(3000)));
    EXPECT_EQ(LastError(client), "server 4.1.0.0 refused library version 4.0.56.34");
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(client.GetDataDescriptions(&descriptions), 10);
    EXPECT_EQ(LastError(client), "not connected to a server: call Initialize first");
    EXPECT_EQ(client.Uninitialize(), 0);
}

// Arguments of the new operations, through the flat interface.
TEST(Continuity, FlatOperationsCheckTheirArguments) {
    EXPECT_EQ(GetConnectionState(nullptr, nullptr), 2);
    EXPECT_EQ(SetConnectionStateCallback(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(SetStallTimeout(nullptr, 1), 2);
    EXPECT_EQ(SetAutoReconnect(nullptr, 1, 1), 2);
    EXPECT_EQ(SetRequestTimeout(nullptr, 1), 2);
    EXPECT_EQ(GetLastErrorText(nullptr, nullptr, 0), 2);
    EXPECT_EQ(SetFrameQueueCapacity(nullptr, 1), 2);

    MiravSDKClient* client = nullptr;
    ASSERT_EQ(CreateClient(&client), 0);
    int state = -1;
    EXPECT_EQ(GetConnectionState(client, nullptr), 2);
    EXPECT_EQ(GetConnectionState(client, &state), 0);
    EXPECT_EQ(state, kDisconnected);
    char text[8] = "x";
    EXPECT_EQ(GetLastErrorText(client, text, 8), 0);
    EXPECT_STREQ(text, "");  // nothing failed yet
    EXPECT_EQ(GetLastErrorText(client, text, 0), 2);
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(GetDataDescriptions(client, &descriptions), 10);
    EXPECT_EQ(GetLastErrorText(client, text, 8), 0);
    EXPECT_STREQ(text, "not con");  // cut to the buffer, always terminated
    EXPECT_EQ(SetFrameQueueCapacity(client, 0), 2);
    EXPECT_EQ(SetFrameQueueCapacity(client, 33), 2);
    EXPECT_EQ(SetFrameQueueCapacity(client, 32), 0);
    EXPECT_EQ(DestroyClient(client), 0);
}

// The state callback may use the client, but tearing it down there is refused (the monitor
// thread would wait for itself) with a sentence that says so.
struct Reentry {
    MiravSDKClient* client = nullptr;
    std::atomic<int> uninitializeResult{-1};
    std::mutex lock;
    std::string text;
    int state = -1;
};

void TearDownFromCallback(int state, int, void* context) {
    auto* reentry = static_cast<Reentry*>(context);
    if (state != kStreaming || reentry->uninitializeResult.load() != -1) return;
    int now = -1;
    reentry->client->GetConnectionState(&now);
    char text[256] = "";
    const int result = reentry->client->Uninitialize();
    reentry->client->GetLastErrorText(text, sizeof(text));
    std::lock_guard<std::mutex> guard(reentry->lock);
    reentry->text = text;
    reentry->state = now;
    reentry->uninitializeResult = result;
}

TEST(Continuity, UninitializeInsideTheStateCallbackIsRefusedWithAReason) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    MiravSDKClient client;
    Reentry reentry;
    reentry.client = &client;
    client.SetConnectionStateCallback(&TearDownFromCallback, &reentry);
    ASSERT_EQ(client.Initialize(gLoopback), 0);
    ASSERT_TRUE(
        WaitUntil([&] { return reentry.uninitializeResult.load() != -1; }, milliseconds(3000)));
    EXPECT_EQ(reentry.uninitializeResult.load(), 1);
    {
        std::lock_guard<std::mutex> guard(reentry.lock);
        EXPECT_EQ(reentry.state, kStreaming);
        EXPECT_EQ(reentry.text,
                  "Uninitialize cannot run inside a callback of the library: the library thread "
                  "would wait for itself; call it from another thread");
    }
    EXPECT_EQ(client.Uninitialize(), 0);
}

// A server that comes back sending by multicast (and then by unicast again) is followed: the
// data channel is opened again in the new mode. Multicast only inside a namespace of the test's
// own: the test runs itself again in one.
#if defined(_WIN32)
TEST(Continuity, ServerBackInTheOtherTransportModeIsFollowed) {
    GTEST_SKIP() << "needs a private network namespace (Linux unshare)";
}
#else
TEST(Continuity, ServerBackInTheOtherTransportModeIsFollowed) {
    if (std::getenv("MIRAV_IN_PRIVATE_NETNS") == nullptr) {
        const char setup[] =
            "ip link set lo up && ip link set lo multicast on && "
            "ip route add 224.0.0.0/4 dev lo && hostname localhost";
        if (std::system(
                (std::string("unshare -rnu sh -c '") + setup + "' >/dev/null 2>&1").c_str()) != 0) {
            GTEST_SKIP() << "this machine cannot create a private network namespace";
        }
        char self[4096] = {};
        ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
        const std::string command =
            std::string("unshare -rnu sh -c '") + setup +
            " && MIRAV_IN_PRIVATE_NETNS=1 exec \"$0\" "
            "--gtest_filter=Continuity.ServerBackInTheOtherTransportModeIsFollowed' " +
            self;
        EXPECT_EQ(std::system(command.c_str()), 0);
        return;
    }
    ASSERT_TRUE(mirav::sim::MulticastAllowedHere());
    auto server = StartServer();
    ASSERT_TRUE(server);
    Observer observer;
    MiravSDKClient client;
    client.SetConnectionStateCallback(&OnState, &observer);
    client.SetDataCallback(&OnFrame, &observer);
    client.SetStallTimeout(300);
    client.SetAutoReconnect(1, 100);
    ASSERT_EQ(client.Initialize(gLoopback), 0);
    for (const bool multicast : {true, false}) {
        SCOPED_TRACE(multicast ? "to multicast" : "back to unicast");
        ASSERT_TRUE(
            WaitUntil([&] { return observer.Current() == kStreaming; }, milliseconds(3000)));
        server.reset();
        ASSERT_TRUE(
            WaitUntil([&] { return observer.Current() == kReconnecting; }, milliseconds(3000)));
        server = StartServer(mirav::sim::Scene::kRigidBodies, 1, multicast);
        ASSERT_TRUE(server);
        const int seen = observer.frames.load();
        EXPECT_TRUE(
            WaitUntil([&] { return observer.frames.load() > seen + 10; }, milliseconds(3000)));
    }
    EXPECT_EQ(client.Uninitialize(), 0);
}
#endif
