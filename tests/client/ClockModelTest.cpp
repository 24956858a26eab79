// The clock model fed with synthetic streams: frames captured on a steady grid (with the
// server's clock drifting against the host's), delivered after a random non-negative delay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "client/ClockModel.h"

namespace {

using mirav::ClockEstimate;
using mirav::ClockModel;

struct Sample {
    int64_t trueNs;
    int64_t arrivalNs;
    ClockEstimate estimate;
};

// Feeds frames [firstFrame, firstFrame + count) captured every periodNs from startNs, each
// delayed by baseNs plus a uniform 0..jitterNs. Arrivals of one stream never go backwards.
class Stream {
public:
    explicit Stream(uint32_t seed) : random_(seed) {}

    int64_t Feed(ClockModel& model, int32_t firstFrame, int count, int64_t startNs, double periodNs,
                 int64_t jitterNs, int64_t baseNs = 30000) {
        std::uniform_real_distribution<double> delay(0.0, static_cast<double>(jitterNs));
        int64_t capture = startNs;
        for (int i = 0; i < count; ++i) {
            capture = startNs + static_cast<int64_t>(std::llround(periodNs * i));
            int64_t arrival = capture + baseNs + static_cast<int64_t>(delay(random_));
            arrival = std::max(arrival, lastArrival_);
            lastArrival_ = arrival;
            samples.push_back({capture, arrival, model.Update(firstFrame + i, arrival)});
        }
        return capture + static_cast<int64_t>(periodNs);
    }

    std::vector<Sample> samples;

private:
    std::mt19937 random_;
    int64_t lastArrival_ = INT64_MIN;
};

struct Quality {
    double p99ErrorNs = 0;
    double covered = 0;  // share of frames whose error lies within the stated uncertainty
    bool monotonic = true;
    bool neverAfterArrival = true;
};

// Quality of the samples whose true capture time lies in [fromNs, toNs).
Quality Measure(const std::vector<Sample>& samples, int64_t fromNs, int64_t toNs) {
    Quality q;
    std::vector<double> errors;
    size_t covered = 0;
    int64_t previous = INT64_MIN;
    for (const Sample& s : samples) {
        if (s.estimate.captureNs < previous) q.monotonic = false;
        previous = s.estimate.captureNs;
        if (s.estimate.captureNs > s.arrivalNs) q.neverAfterArrival = false;
        if (s.trueNs < fromNs || s.trueNs >= toNs) continue;
        const double error = std::fabs(static_cast<double>(s.estimate.captureNs - s.trueNs));
        errors.push_back(error);
        if (error <= static_cast<double>(s.estimate.uncertaintyNs)) ++covered;
    }
    if (errors.empty()) return q;
    std::sort(errors.begin(), errors.end());
    q.p99ErrorNs = errors[static_cast<size_t>(0.99 * static_cast<double>(errors.size() - 1))];
    q.covered = static_cast<double>(covered) / static_cast<double>(errors.size());
    return q;
}

constexpr int64_t kSecond = 1000000000;

TEST(ClockModel, FollowsJitteredDriftingStreamsWithinStatedUncertainty) {
    for (const double rate : {240.0, 1000.0}) {
        for (const double drift : {0.0, 80e-6, -80e-6}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, drift " << drift);
            ClockModel model;
            Stream stream(7);
            const double period = 1e9 / rate * (1.0 + drift);
            const int count = static_cast<int>(rate * 12);
            stream.Feed(model, 1, count, 5 * kSecond, period, 2000000);
            const Quality q = Measure(stream.samples, 7 * kSecond, 100 * kSecond);
            EXPECT_LE(q.p99ErrorNs, 200000.0);
            EXPECT_GE(q.covered, 0.99);
            EXPECT_TRUE(q.monotonic);
            EXPECT_TRUE(q.neverAfterArrival);
            EXPECT_EQ(model.Starts(), 1u);
            const ClockEstimate last = stream.samples.back().estimate;
            EXPECT_NEAR(last.rateHz, rate / (1.0 + drift), rate * 5e-5);
            // The stated uncertainty is useful, not merely large.
            EXPECT_LT(last.uncertaintyNs, 400000);
        }
    }
}

TEST(ClockModel, RestartsOnResetsAndRateChangesAndConvergesWithinTwoSeconds) {
    struct Change {
        const char* what;
        double rateBefore, rateAfter;
        bool renumber;  // frame numbers start again from 1
        bool reset;     // the client reconnects (Reset)
    };
    const Change changes[] = {
        {"server restart", 240, 240, true, false},       {"rate up", 240, 1000, false, false},
        {"rate down", 1000, 240, false, false},          {"reconnect", 1000, 1000, true, true},
        {"restart at new rate", 1000, 240, true, false},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ClockModel model;
        Stream stream(11);
        const int before = static_cast<int>(change.rateBefore * 4);
        const int64_t end =
            stream.Feed(model, 1000, before, kSecond, 1e9 / change.rateBefore, 2000000);
        const int64_t restartAt = end + 50000000;  // a 50 ms pause
        if (change.reset) model.Reset();
        const int32_t next = change.renumber ? 1 : 1000 + before;
        stream.Feed(model, next, static_cast<int>(change.rateAfter * 5), restartAt,
                    1e9 / change.rateAfter, 2000000);
        EXPECT_EQ(model.Starts(), 2u);
        const Quality q = Measure(stream.samples, restartAt + 2 * kSecond, INT64_MAX);
        EXPECT_LE(q.p99ErrorNs, 200000.0);
        EXPECT_GE(q.covered, 0.99);
        EXPECT_TRUE(q.monotonic);
        EXPECT_TRUE(q.neverAfterArrival);
        EXPECT_NEAR(stream.samples.back().estimate.rateHz, change.rateAfter,
                    change.rateAfter * 5e-5);
    }
}

TEST(ClockModel, KeepsItsFitThroughLossReorderingRepeatsAndCongestion) {
    ClockModel model;
    Stream stream(5);
    const double period = 1e9 / 240;
    int64_t t = stream.Feed(model, 1, 240 * 4, kSecond, period, 2000000);
    // 200 frames lost: numbers and times jump together.
    t = stream.Feed(model, 1 + 240 * 4 + 200, 240, t + static_cast<int64_t>(200 * period), period,
                    2000000);
    // 150 ms in which every frame is held up 20 ms (a busy host): no restart.
    const int32_t congested = 1 + 240 * 5 + 200;
    t = stream.Feed(model, congested, 36, t, period, 2000000, 20000000);
    t = stream.Feed(model, congested + 36, 240 * 3, t, period, 2000000);
    EXPECT_EQ(model.Starts(), 1u);
    const Quality q = Measure(stream.samples, t - 2 * kSecond, INT64_MAX);
    EXPECT_LE(q.p99ErrorNs, 200000.0);
    EXPECT_GE(q.covered, 0.99);
    EXPECT_TRUE(q.monotonic);
    EXPECT_TRUE(q.neverAfterArrival);

    // A repeated frame gets the same estimate; a late copy of a recent frame gets its own
    // (earlier) capture time without moving the fit or the monotonic floor.
    const Sample last = stream.samples.back();
    const int32_t lastFrame = congested + 36 + 240 * 3 - 1;
    const ClockEstimate repeat = model.Update(lastFrame, last.arrivalNs + 100000);
    EXPECT_EQ(repeat.captureNs, last.estimate.captureNs);
    const ClockEstimate late = model.Update(lastFrame - 5, last.arrivalNs + 200000);
    EXPECT_NEAR(static_cast<double>(late.captureNs), static_cast<double>(last.trueNs) - 5 * period,
                200000.0);
    const ClockEstimate next = model.Update(lastFrame + 1, last.arrivalNs + 4200000);
    EXPECT_GE(next.captureNs, last.estimate.captureNs);
    EXPECT_EQ(model.Starts(), 1u);
}

TEST(ClockModel, StatesLargeUncertaintyUntilFittedAndNeverGoesBackAcrossResets) {
    ClockModel model;
    const ClockEstimate first = model.Update(1, 10 * kSecond);
    EXPECT_EQ(first.captureNs, 10 * kSecond);  // nothing known yet: the arrival
    EXPECT_EQ(first.uncertaintyNs, ClockModel::kWarmUncertaintyNs);
    EXPECT_EQ(first.rateHz, 0.0);
    EXPECT_FALSE(model.HasFit());
    // Frame numbers reset while the host clock keeps going: capture times never go back even
    // though the new fit starts from scratch.
    Stream stream(3);
    stream.Feed(model, 2, 1000, 10 * kSecond + 1000000, 1e6, 2000000);
    EXPECT_TRUE(model.HasFit());
    const int64_t before = stream.samples.back().estimate.captureNs;
    model.Reset();
    const ClockEstimate after = model.Update(1, stream.samples.back().arrivalNs);
    EXPECT_GE(after.captureNs, before);
    EXPECT_FALSE(model.HasFit());
    // Frame numbers that wrap around restart the fit instead of predicting years ahead.
    ClockModel wrap;
    Stream near(9);
    near.Feed(wrap, INT32_MAX - 500, 500, kSecond, 1e6, 1000000);
    near.Feed(wrap, INT32_MIN, 500, kSecond + 500000000, 1e6, 1000000);
    EXPECT_EQ(wrap.Starts(), 2u);
    EXPECT_TRUE(Measure(near.samples, 0, INT64_MAX).monotonic);
}

}  // namespace
