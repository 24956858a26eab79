// The receive path under an impaired link: frames whose every value is their frame number are
// sent through lost, repeated, swapped datagrams and runs of losses, and through a receiver that
// stops reading; no delivered frame may mix two frame numbers, and the statistics add up.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "EncodersFrame.h"
#include "NetTestSupport.h"
#include "gtest/gtest.h"

using namespace nettest;

namespace {

// A body of about 14.5 KB: 10 datagrams of 1462 bytes.
constexpr int kMarkers = 900;
constexpr int kSetMarkers = 200;

struct Seen {
    std::mutex lock;
    std::vector<int32_t> frames;
    uint64_t mixed = 0;
    std::atomic<bool> hold{false};
    std::atomic<bool> holding{false};
};
Seen gSeen;

void OnFrame(sFrameOfMocapData* frame, void*) {
    while (gSeen.hold.load()) {
        gSeen.holding.store(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    gSeen.holding.store(false);
    const float expected = static_cast<float>(frame->frameNumber);
    bool mixed = frame->otherMarkerCount != kMarkers ||
                 frame->timeStamp != static_cast<int64_t>(frame->frameNumber);
    mixed = mixed || frame->markerSetCount != 1 || frame->mocapData[0].markerCount != kSetMarkers;
    for (int i = 0; i < kSetMarkers && !mixed; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            mixed = mixed || frame->mocapData[0].markers[i][axis] != expected;
        }
    }
    for (int i = 0; i < frame->otherMarkerCount && !mixed; ++i) {
        for (int axis = 0; axis < 3; ++axis)
            mixed = mixed || frame->otherMarkers[i][axis] != expected;
    }
    std::lock_guard<std::mutex> guard(gSeen.lock);
    gSeen.frames.push_back(frame->frameNumber);
    gSeen.mixed += mixed ? 1 : 0;
}

std::vector<uint8_t> NumberedFrame(int32_t number) {
    mirav::sim::FrameScene scene;
    scene.frameNumber = number;
    const float value = static_cast<float>(number);
    scene.otherMarkers.assign(kMarkers, mirav::sim::Point{value, value, value});
    scene.markerSets.push_back({"set", std::vector<mirav::sim::Point>(
                                           kSetMarkers, mirav::sim::Point{value, value, value})});
    scene.timeStamp = number;
    return mirav::sim::EncodeFrameBody(scene);
}

// Waits until the receive path has been idle for a while (no datagram for 200 ms).
void WaitForQuiet(ClientCore& core);

sStreamStatistics Statistics(ClientCore& core) {
    sStreamStatistics stats{};
    stats.size = sizeof(stats);
    EXPECT_EQ(core.GetStreamStatistics(&stats), 0);
    return stats;
}

void WaitForQuiet(ClientCore& core) {
    uint64_t last = ~uint64_t{0};
    for (int i = 0; i < 100; ++i) {  // at most 20 s
        const uint64_t now = Statistics(core).datagramsReceived;
        if (now == last) return;
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

struct ImpairedRun {
    mirav::sim::ImpairmentReport report;
    std::vector<int32_t> delivered;
    uint64_t mixed = 0;
    sStreamStatistics before{};
    sStreamStatistics after{};
};

// Sends count numbered frames about every 10 ms through a link with the impairment.
ImpairedRun Stream(const mirav::sim::Impairment& impairment, int count) {
    {
        std::lock_guard<std::mutex> guard(gSeen.lock);
        gSeen.frames.clear();
        gSeen.mixed = 0;
    }
    mirav::sim::ServerConfig config = ConfigOnPorts();
    config.impairment = impairment;
    Connection connection(config);
    ImpairedRun run;
    EXPECT_TRUE(connection.started) << connection.server.Error();
    if (!connection.started) return run;
    connection.core->SetDataCallback(&OnFrame, nullptr);
    EXPECT_EQ(connection.Initialize(), 0);
    connection.server.KeepCompleteFrames(true);
    run.before = Statistics(*connection.core);
    for (int32_t number = 1; number <= count; ++number) {
        connection.server.SendMessage(103, 0, NumberedFrame(number));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    connection.server.FlushImpairment();
    WaitForQuiet(*connection.core);
    run.after = Statistics(*connection.core);
    connection.core->SetDataCallback(nullptr, nullptr);
    connection.core->Uninitialize();
    run.report = connection.server.Impaired();
    std::lock_guard<std::mutex> guard(gSeen.lock);
    run.delivered = gSeen.frames;
    run.mixed = gSeen.mixed;
    return run;
}

void Print(const char* name, const ImpairedRun& run) {
    std::printf(
        "[ figures  ] %s: frames offered %llu, complete %llu, delivered %zu, corrupted %llu\n",
        name, static_cast<unsigned long long>(run.report.framesOffered),
        static_cast<unsigned long long>(run.report.framesComplete), run.delivered.size(),
        static_cast<unsigned long long>(run.mixed));
}

}  // namespace

TEST(StreamIntegrity, BurstLossNeverDeliversAMixedFrame) {
    mirav::sim::Impairment impairment;
    impairment.burstLoss = 0.3;
    impairment.seed = 7;
    const ImpairedRun run = Stream(impairment, 300);
    Print("burst loss 30 %", run);
    EXPECT_EQ(run.mixed, 0u);
    EXPECT_LT(run.report.framesComplete, run.report.framesOffered);
    // Every frame delivered once, and only frames the link let through whole.
    const std::set<int32_t> unique(run.delivered.begin(), run.delivered.end());
    EXPECT_EQ(unique.size(), run.delivered.size());
    const std::set<int32_t> complete(run.report.completeFrames.begin(),
                                     run.report.completeFrames.end());
    for (int32_t number : run.delivered) EXPECT_TRUE(complete.count(number)) << number;
    EXPECT_GE(run.delivered.size(), complete.size() * 95 / 100);
    // The statistics add up against what was sent.
    EXPECT_EQ(run.after.framesDelivered - run.before.framesDelivered, run.delivered.size());
    EXPECT_EQ(run.after.datagramsReceived - run.before.datagramsReceived,
              run.report.datagramsOffered - run.report.datagramsLost);
    if (!run.delivered.empty()) {
        const auto range = static_cast<uint64_t>(run.delivered.back() - run.delivered.front() + 1);
        EXPECT_EQ(run.after.framesMissing - run.before.framesMissing, range - run.delivered.size());
    }
    EXPECT_EQ(run.after.framesOutOfOrder - run.before.framesOutOfOrder, 0u);
    EXPECT_GT(run.after.messagesAbandoned - run.before.messagesAbandoned, 0u);
}

TEST(StreamIntegrity, LossRepeatsAndSwapsStillDeliverTheWholeFrames) {
    mirav::sim::Impairment impairment;
    impairment.loss = 0.05;
    impairment.duplicate = 0.02;
    impairment.reorder = 0.10;
    impairment.seed = 3;
    const ImpairedRun run = Stream(impairment, 300);
    Print("loss 5 %, duplicate 2 %, reorder 10 %", run);
    EXPECT_EQ(run.mixed, 0u);
    const std::set<int32_t> unique(run.delivered.begin(), run.delivered.end());
    EXPECT_EQ(unique.size(), run.delivered.size());
    const std::set<int32_t> complete(run.report.completeFrames.begin(),
                                     run.report.completeFrames.end());
    size_t deliveredComplete = 0;
    for (int32_t number : run.delivered) deliveredComplete += complete.count(number);
    EXPECT_EQ(deliveredComplete, run.delivered.size());
    EXPECT_GE(deliveredComplete * 100, complete.size() * 95);
    EXPECT_EQ(
        run.after.datagramsReceived - run.before.datagramsReceived,
        run.report.datagramsOffered - run.report.datagramsLost + run.report.datagramsDuplicated);
    EXPECT_EQ(run.after.fragmentsRepeated - run.before.fragmentsRepeated,
              run.report.datagramsDuplicated);
    EXPECT_EQ(run.after.datagramsMalformed - run.before.datagramsMalformed, 0u);
}

TEST(StreamIntegrity, KernelDropsOfAReceiverThatStopsReadingAreCounted) {
    {
        std::lock_guard<std::mutex> guard(gSeen.lock);
        gSeen.frames.clear();
        gSeen.mixed = 0;
    }
    Connection connection;
    ASSERT_TRUE(connection.started) << connection.server.Error();
    connection.core->SetDataCallback(&OnFrame, nullptr);
    ASSERT_EQ(connection.Initialize(), 0);
    if (Statistics(*connection.core).kernelDropsReported == 0) {
        connection.core->Uninitialize();
        GTEST_SKIP() << "this system does not report kernel drops";
    }
    // The first frame stops the receive thread in the callback; the server floods meanwhile.
    gSeen.hold.store(true);
    connection.server.SendMessage(103, 0, NumberedFrame(1));
    ASSERT_TRUE(WaitUntil([] { return gSeen.holding.load(); }));
    constexpr int kFlood = 1500;  // about 22 MB, far beyond any receive buffer
    for (int32_t number = 2; number <= kFlood; ++number) {
        connection.server.SendMessage(103, 0, NumberedFrame(number));
    }
    gSeen.hold.store(false);
    WaitForQuiet(*connection.core);
    // The drop counter arrives with the datagrams queued after the drops.
    constexpr int kAfter = 5;
    for (int32_t number = kFlood + 1; number <= kFlood + kAfter; ++number) {
        connection.server.SendMessage(103, 0, NumberedFrame(number));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    WaitForQuiet(*connection.core);
    const sStreamStatistics stats = Statistics(*connection.core);
    connection.core->SetDataCallback(nullptr, nullptr);
    connection.core->Uninitialize();
    std::lock_guard<std::mutex> guard(gSeen.lock);
    std::printf("[ figures  ] flood: kernel drops %llu, discarded %llu, delivered %zu of %d\n",
                static_cast<unsigned long long>(stats.kernelDrops),
                static_cast<unsigned long long>(stats.messagesKernelDiscarded), gSeen.frames.size(),
                kFlood);
    EXPECT_GT(stats.kernelDrops, 0u);
    EXPECT_LT(gSeen.frames.size(), static_cast<size_t>(kFlood));
    EXPECT_EQ(gSeen.frames.back(), kFlood + kAfter);
    EXPECT_EQ(gSeen.mixed, 0u);
    EXPECT_EQ(stats.framesDelivered, gSeen.frames.size());
    // Datagrams received and dropped by the kernel make up everything sent.
    const size_t perFrame = (NumberedFrame(1).size() + 1461) / 1462;
    EXPECT_EQ(perFrame, 10u);
    EXPECT_EQ(stats.datagramsReceived - 1 + stats.kernelDrops,
              static_cast<uint64_t>(kFlood + kAfter) * perFrame);
}

TEST(StreamIntegrity, StatisticsRecordChecksItsSize) {
    Connection connection;
    sStreamStatistics stats{};
    EXPECT_EQ(connection.core->GetStreamStatistics(nullptr), 2);
    stats.size = sizeof(stats) - 8;
    EXPECT_EQ(connection.core->GetStreamStatistics(&stats), 2);
    // A larger record is accepted; what lies beyond the known fields stays as it was.
    struct Larger {
        sStreamStatistics known;
        uint64_t later;
    } larger{};
    larger.known.size = sizeof(larger);
    larger.later = 42;
    EXPECT_EQ(connection.core->GetStreamStatistics(&larger.known), 0);
    EXPECT_EQ(larger.known.size, sizeof(larger));
    EXPECT_EQ(larger.later, 42u);
    EXPECT_EQ(larger.known.millisecondsSinceLastFrame, -1);
    EXPECT_EQ(larger.known.framesDelivered, 0u);
}
