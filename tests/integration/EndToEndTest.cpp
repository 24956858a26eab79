// The public interface of the shared library against the substitute server on the protocol's
// own ports, unicast on loopback and multicast inside a private network namespace.
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "Server.h"
#include "gtest/gtest.h"
#include "mirav/Mirav.h"
#include "support/ProcessProbe.h"

using Clock = std::chrono::steady_clock;

namespace {

size_t ThreadCount() { return testsupport::ThreadCount(); }

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

struct Tally {
    std::atomic<int> frames{0};
    std::atomic<int> lastFrame{0};
};

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* tally = static_cast<Tally*>(context);
    tally->lastFrame = frame->frameNumber;
    tally->frames.fetch_add(1);
}

char gLoopback[] = "127.0.0.1";

// Connects, checks descriptions and frames through the public interface, then disconnects.
void RunSession(mirav::sim::Server& server, bool checkKeepAlive) {
    const size_t threadsBefore = ThreadCount();
    Tally tally;
    MiravSDKClient client;
    client.SetDataCallback(&OnFrame, &tally);
    ASSERT_EQ(client.Initialize(gLoopback), 0);
    const auto connectedAt = Clock::now();

    sServerDescription description{};
    ASSERT_EQ(client.GetServerDescription(&description), 0);
    EXPECT_STREQ(description.hostApp, "Mirav Substitute Server");
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(client.GetDataDescriptions(&descriptions), 0);
    EXPECT_EQ(descriptions->descriptionCount, 5);
    client.FreeDataDescriptions(descriptions);

    ASSERT_TRUE(WaitUntil([&] { return tally.frames.load() >= 20; }, std::chrono::seconds(5)));
    sFrameOfMocapData* frame = client.GetLastFrameOfMocapData();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->rigidBodyCount, mirav::sim::Scene::kRigidBodies);
    sRigidBodyData* body = nullptr;
    EXPECT_EQ(client.GetLastFrameRigidBodyByName("RigidBody3", &body), 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->id, 3);

    if (checkKeepAlive) {
        // Command 111 with sequence 0 at once, then one about every 5 s.
        ASSERT_TRUE(server.WaitForCommands(111, 2, std::chrono::seconds(7)));
        std::vector<mirav::sim::ReceivedCommand> keepAlives;
        for (const auto& command : server.Commands()) {
            if (command.type == 111) keepAlives.push_back(command);
        }
        EXPECT_EQ(keepAlives[0].sequence, 0u);
        EXPECT_LT(keepAlives[0].at - connectedAt, std::chrono::milliseconds(100));
        EXPECT_NE(keepAlives[1].sequence, 0u);
        EXPECT_EQ(keepAlives[1].sequence % 2, 0u);
        const auto gap = keepAlives[1].at - keepAlives[0].at;
        EXPECT_GE(gap, std::chrono::milliseconds(4900));
        EXPECT_LT(gap, std::chrono::milliseconds(6500));
    }

    const auto start = Clock::now();
    EXPECT_EQ(client.Uninitialize(), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(800));
    EXPECT_EQ(ThreadCount(), threadsBefore);
    sDataDescriptions* after = nullptr;
    EXPECT_EQ(client.GetDataDescriptions(&after), 10);
}

}  // namespace

TEST(EndToEnd, UnicastSessionThroughThePublicInterface) {
    mirav::sim::Server server;
    ASSERT_TRUE(server.Start()) << server.Error();
    server.StartStreaming(100);
    RunSession(server, true);
}

// The connect reply of 265 bytes (no multicast byte) selects multicast. Multicast is only ever
// used inside a network namespace this test creates: the test runs itself again in one.
#if defined(_WIN32)
TEST(EndToEnd, MulticastInsidePrivateNetworkNamespace) {
    GTEST_SKIP() << "needs a private network namespace (Linux unshare); the machine's own "
                    "network must never carry the test's multicast";
}
#else
TEST(EndToEnd, MulticastInsidePrivateNetworkNamespace) {
    if (std::getenv("MIRAV_IN_PRIVATE_NETNS") != nullptr) {
        ASSERT_TRUE(mirav::sim::MulticastAllowedHere());
        mirav::sim::ServerConfig config;
        config.shortConnectReply = true;
        mirav::sim::Server server(config);
        ASSERT_TRUE(server.Start()) << server.Error();
        server.StartStreaming(100);
        RunSession(server, false);
        EXPECT_EQ(server.CountCommands(111), 0u);  // no keep-alive in multicast mode
        return;
    }
    const char setup[] =
        "ip link set lo up && ip link set lo multicast on && "
        "ip route add 224.0.0.0/4 dev lo && hostname localhost";
    if (std::system((std::string("unshare -rnu sh -c '") + setup + "' >/dev/null 2>&1").c_str()) !=
        0) {
        GTEST_SKIP() << "this machine cannot create a private network namespace";
    }
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
    const std::string command = std::string("unshare -rnu sh -c '") + setup +
                                " && MIRAV_IN_PRIVATE_NETNS=1 exec \"$0\" "
                                "--gtest_filter=EndToEnd.MulticastInsidePrivateNetworkNamespace' " +
                                self;
    EXPECT_EQ(std::system(command.c_str()), 0);
}
#endif
