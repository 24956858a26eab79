// Force plates through the public interface: the substitute server streams the walker stepping
// across its two plates; the client sets the plates up with WaitForForcePlateInit and receives
// forces and centres of pressure before each frame.
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ForcePlateSim.h"
#include "Server.h"
#include "gtest/gtest.h"
#include "mirav/Mirav.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPlateChannels = 8 + 6;
constexpr int kFrameChannels = kPlateChannels + mirav::sim::Scene::kAnalogChannels;
char gLoopback[] = "127.0.0.1";

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

// The force plate state lives as long as the process: tests that need it untouched run in a
// fresh copy of this program. (On Windows they run in place; CTest starts every test in a
// process of its own.)
bool RunInFreshProcess(const char* testName) {
#if defined(_WIN32)
    (void)testName;
    return false;
#else
    if (std::getenv("MIRAV_FRESH_PROCESS") != nullptr) return false;
    char self[4096] = {};
    EXPECT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
    const std::string command = std::string("MIRAV_FRESH_PROCESS=1 \"") + self +
                                "\" --gtest_filter=" + testName + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "run " << testName << " alone for details";
    return true;
#endif
}

// What the callbacks saw, by frame number.
struct Observed {
    std::mutex lock;
    std::map<int, sForcePlates> plates;
    std::map<int, std::vector<float>> analog;
    std::atomic<int> frames{0};
    std::atomic<int> plateRecords{0};
    std::atomic<int> lastPlateFrame{-1};
    std::atomic<int> outOfOrder{0};
    std::atomic<int> inconsistent{0};
};

void OnPlates(sForcePlates* plates, void* context) {
    auto* seen = static_cast<Observed*>(context);
    {
        std::lock_guard<std::mutex> guard(seen->lock);
        seen->plates[plates->frameNumber] = *plates;
    }
    seen->lastPlateFrame = plates->frameNumber;
    seen->plateRecords.fetch_add(1);
}

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* seen = static_cast<Observed*>(context);
    // A frame without its plate channels must come right after its force plate record.
    const bool stripped = frame->analogDataCount == mirav::sim::Scene::kAnalogChannels;
    if (stripped && seen->lastPlateFrame.load() != frame->frameNumber) seen->outOfOrder++;
    if (!stripped && frame->analogDataCount != kFrameChannels) seen->inconsistent++;
    {
        std::lock_guard<std::mutex> guard(seen->lock);
        seen->analog[frame->frameNumber].assign(frame->analogData,
                                                frame->analogData + frame->analogDataCount);
    }
    seen->frames.fetch_add(1);
}

struct PlateSession {
    mirav::sim::Server server;
    MiravSDKClient client;
    Observed seen;

    PlateSession() {
        server.SceneModel().SetForcePlates(mirav::sim::DemoForcePlates());
        EXPECT_TRUE(server.Start()) << server.Error();
        client.SetForcePlateCallback(&OnPlates, &seen);
        client.SetDataCallback(&OnFrame, &seen);
        EXPECT_EQ(client.Initialize(gLoopback), 0);
    }
    ~PlateSession() {
        client.Uninitialize();
        server.Stop();
    }
    // Streams frames 1..count and waits until the client has seen them all. The rate leaves a
    // sanitizer build on a busy machine time to take every frame.
    bool Stream(int count) {
        const int before = seen.frames.load();
        server.StartStreaming(200, static_cast<uint64_t>(count));
        const bool all = WaitUntil([&] { return seen.frames.load() >= before + count; },
                                   std::chrono::seconds(10));
        server.StopStreaming();
        return all;
    }
};

struct Vec {
    double x, y, z;
};

Vec Rotate(const float* r, double x, double y, double z) {
    return {r[0] * x + r[1] * y + r[2] * z, r[3] * x + r[4] * y + r[5] * z,
            r[6] * x + r[7] * y + r[8] * z};
}

TEST(ForcePlateEndToEnd, PlatesArriveAfterInitAndFramesKeepTheOtherChannels) {
    if (RunInFreshProcess("ForcePlateEndToEnd.PlatesArriveAfterInitAndFramesKeepTheOtherChannels"))
        return;
    PlateSession session;
    Observed& seen = session.seen;

    // Before WaitForForcePlateInit: no records, every channel stays in the frame.
    ASSERT_TRUE(session.Stream(10));
    EXPECT_EQ(seen.plateRecords.load(), 0);
    EXPECT_EQ(seen.inconsistent.load(), 0);
    {
        std::lock_guard<std::mutex> guard(seen.lock);
        EXPECT_EQ(seen.analog[5].size(), static_cast<size_t>(kFrameChannels));
    }

    ASSERT_EQ(session.client.WaitForForcePlateInit(3000), 0);
    {
        std::lock_guard<std::mutex> guard(seen.lock);
        seen.plates.clear();
        seen.analog.clear();
    }
    // Frame 1 of the new stream is unloaded and sets the zero level; the walker then stands on
    // the first plate and then on the second.
    constexpr int kFrames = 170;
    ASSERT_TRUE(session.Stream(kFrames));
    EXPECT_EQ(seen.outOfOrder.load(), 0);
    EXPECT_EQ(seen.inconsistent.load(), 0);

    const auto plates = mirav::sim::DemoForcePlates();
    mirav::sim::Scene scene;
    scene.SetForcePlates(plates);
    std::lock_guard<std::mutex> guard(seen.lock);
    ASSERT_EQ(seen.plates.size(), static_cast<size_t>(kFrames));
    int loaded[2] = {0, 0};
    for (int n = 1; n <= kFrames; ++n) {
        SCOPED_TRACE(testing::Message() << "frame " << n);
        const sForcePlates& got = seen.plates[n];
        ASSERT_EQ(got.frameNumber, n);
        ASSERT_EQ(got.forcePlateCount, 2);
        const std::vector<float> sent = scene.Frame(n).analog;
        const std::vector<float> kept(sent.begin() + kPlateChannels, sent.end());
        EXPECT_EQ(seen.analog[n], kept);

        const auto loads = mirav::sim::DemoStepLoads(plates, n - 1);
        for (int p = 0; p < 2; ++p) {
            const float* r = plates[p].orientation;
            const auto& load = loads[p];
            const Vec force = Rotate(r, load.force[0], load.force[1], load.force[2]);
            const sForcePlateData& data = got.forcePlates[p];
            EXPECT_NEAR(data.fx, force.x, 0.05);
            EXPECT_NEAR(data.fy, force.y, 0.05);
            EXPECT_NEAR(data.fz, force.z, 0.05);
            if (load.force[2] < 50.0) continue;
            ++loaded[p];
            const Vec point = Rotate(r, load.point[0], load.point[1], 0.0);
            EXPECT_NEAR(data.copX, point.x + plates[p].origin[0], 1e-4);
            EXPECT_NEAR(data.copY, point.y + plates[p].origin[1], 1e-4);
            EXPECT_NEAR(data.tz, Rotate(r, 0, 0, load.freeMoment).z, 0.05);
        }
    }
    EXPECT_GT(loaded[0], 40);
    EXPECT_GT(loaded[1], 40);

    // By name, the further analog inputs are found where they now are: at the front.
    sFrameOfMocapData* last = session.client.GetLastFrameOfMocapData();
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->analogDataCount, mirav::sim::Scene::kAnalogChannels);
    const std::vector<float> sent = scene.Frame(last->frameNumber).analog;
    for (int a = 0; a < mirav::sim::Scene::kAnalogChannels; ++a) {
        float value = NAN;
        const std::string name = mirav::sim::Scene::AnalogName(a);
        ASSERT_EQ(session.client.GetLastFrameAnalogdata(name.c_str(), &value), 0) << name;
        EXPECT_EQ(value, sent[static_cast<size_t>(kPlateChannels + a)]) << name;
    }
}

// The first description request goes unanswered (the client waits out its 5 s), then the server
// answers: a limit beyond that succeeds; without answers a limit ends after one attempt.
TEST(ForcePlateEndToEnd, WaitForForcePlateInitRetriesWithinItsLimit) {
    mirav::sim::Server server;
    server.SceneModel().SetForcePlates(mirav::sim::DemoForcePlates());
    ASSERT_TRUE(server.Start()) << server.Error();
    std::atomic<int> unanswered{1};
    server.SetCommandHook([&](const mirav::sim::ReceivedCommand& command) {
        return command.type == 101 && unanswered.fetch_sub(1) > 0;
    });
    MiravSDKClient client;
    EXPECT_EQ(client.WaitForForcePlateInit(100), 10);  // not connected
    ASSERT_EQ(client.Initialize(gLoopback), 0);

    auto start = Clock::now();
    EXPECT_EQ(client.WaitForForcePlateInit(12000), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4900));
    EXPECT_EQ(server.CountCommands(101), 2u);

    // Never answered: a limit shorter than one attempt, then a negative limit, each give up
    // after the first attempt.
    unanswered = 1000;
    for (int limit : {1000, -1}) {
        SCOPED_TRACE(testing::Message() << "limit " << limit);
        server.ClearCommands();
        start = Clock::now();
        EXPECT_EQ(client.WaitForForcePlateInit(limit), 1);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(4900));
        EXPECT_LT(took, std::chrono::milliseconds(9000));
        EXPECT_EQ(server.CountCommands(101), 1u);
    }
    client.Uninitialize();
    server.Stop();
}

// Preparing again and again while frames stream: each frame is either computed with the whole
// plate list (record first, then the frame without plate channels) or left whole.
TEST(ForcePlateEndToEnd, RepeatedInitWhileFramesStream) {
    PlateSession session;
    Observed& seen = session.seen;
    ASSERT_EQ(session.client.WaitForForcePlateInit(3000), 0);
    session.server.StartStreaming(1000, 5000);
    constexpr int kPreparations = 40;
    for (int i = 0; i < kPreparations; ++i) {
        ASSERT_EQ(session.client.WaitForForcePlateInit(3000), 0);
    }
    const int framesDuring = seen.frames.load();
    session.server.StopStreaming();

    EXPECT_GT(framesDuring, 0);
    EXPECT_GT(seen.plateRecords.load(), 0);
    EXPECT_EQ(seen.outOfOrder.load(), 0);
    EXPECT_EQ(seen.inconsistent.load(), 0);
    std::lock_guard<std::mutex> guard(seen.lock);
    for (const auto& [frameNumber, record] : seen.plates) {
        EXPECT_EQ(record.frameNumber, frameNumber);
        EXPECT_EQ(record.forcePlateCount, 2);
    }
}

}  // namespace
