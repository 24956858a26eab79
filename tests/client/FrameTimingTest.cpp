// The per-client record of frame timings: look-up by frame number, eviction, partial records.
#include <gtest/gtest.h>

#include <cstdint>

#include "client/FrameTiming.h"

namespace {

using mirav::FrameTimingLog;

TEST(FrameTimingLog, KeepsTheLatestFramesAndFillsOnlyTheCallersSize) {
    FrameTimingLog log;
    constexpr int64_t kStart = 5000000000;
    constexpr int kFrames = FrameTimingLog::kKept + 100;
    for (int i = 1; i <= kFrames; ++i) log.Record(i, kStart + int64_t{i} * 4166667);

    sFrameHostTiming timing{};
    timing.size = sizeof(timing);
    ASSERT_TRUE(log.Find(kFrames, &timing));
    EXPECT_EQ(timing.size, sizeof(timing));
    EXPECT_DOUBLE_EQ(timing.arrivalTime, (kStart + int64_t{kFrames} * 4166667) * 1e-9);
    EXPECT_LE(timing.captureTime, timing.arrivalTime);
    EXPECT_GE(timing.deliveryTime, 0.0);
    EXPECT_NEAR(timing.estimatedRate, 240.0, 0.01);
    // The oldest frames gave their places to newer ones; the last kKept are all there.
    EXPECT_FALSE(log.Find(1, &timing));
    EXPECT_FALSE(log.Find(kFrames - FrameTimingLog::kKept, &timing));
    EXPECT_TRUE(log.Find(kFrames - FrameTimingLog::kKept + 1, &timing));
    EXPECT_FALSE(log.Find(kFrames + 1, &timing));
    EXPECT_FALSE(log.Find(-1, &timing));

    // A record of an older, smaller size: only its whole fields are written.
    sFrameHostTiming small{};
    small.size = 20;  // captureTime and half of captureUncertainty
    small.captureUncertainty = -1;
    small.estimatedRate = -1;
    ASSERT_TRUE(log.Find(kFrames, &small));
    EXPECT_GT(small.captureTime, 0.0);
    EXPECT_EQ(small.captureUncertainty, -1);
    EXPECT_EQ(small.estimatedRate, -1);

    // After a reset (reconnect) the kept records stay and numbers may start again.
    log.Reset();
    log.Record(1, kStart + int64_t{kFrames + 10} * 4166667);
    ASSERT_TRUE(log.Find(1, &timing));
    EXPECT_EQ(timing.estimatedRate, 0.0);  // a new stream: rate not known yet
    EXPECT_TRUE(log.Find(kFrames, &timing));
}

}  // namespace
