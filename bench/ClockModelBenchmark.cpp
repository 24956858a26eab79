// Cost per frame of the host timing: the clock model's update and the whole record (update,
// delivery time, kept record) next to one read of the monotonic clock in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "client/ClockModel.h"
#include "client/FrameTiming.h"
#include "platform/Clock.h"

namespace {

// Arrivals of a 1000 Hz stream with 0-2 ms of delay, long enough to include block refits.
std::vector<int64_t> Arrivals() {
    std::mt19937 random(1);
    std::uniform_int_distribution<int64_t> delay(0, 2000000);
    std::vector<int64_t> arrivals(1 << 16);
    for (size_t i = 0; i < arrivals.size(); ++i) {
        arrivals[i] = 1000000000 + static_cast<int64_t>(i) * 1000000 + delay(random);
    }
    return arrivals;
}

void BM_MonotonicClockRead(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(System::MonotonicNs());
}
BENCHMARK(BM_MonotonicClockRead);

void BM_ClockModelUpdate(benchmark::State& state) {
    const std::vector<int64_t> arrivals = Arrivals();
    mirav::ClockModel model;
    size_t i = 0;
    int64_t lap = 0;
    for (auto _ : state) {
        // Each pass over the arrivals continues the same stream one lap later.
        benchmark::DoNotOptimize(model.Update(static_cast<int32_t>(i + lap * arrivals.size()),
                                              arrivals[i] + lap * 65536000000));
        if (++i == arrivals.size()) {
            i = 0;
            ++lap;
        }
    }
}
BENCHMARK(BM_ClockModelUpdate);

void BM_FrameTimingRecord(benchmark::State& state) {
    const std::vector<int64_t> arrivals = Arrivals();
    mirav::FrameTimingLog log;
    size_t i = 0;
    int64_t lap = 0;
    for (auto _ : state) {
        log.Record(static_cast<int32_t>(i + lap * arrivals.size()),
                   arrivals[i] + lap * 65536000000);
        if (++i == arrivals.size()) {
            i = 0;
            ++lap;
        }
    }
}
BENCHMARK(BM_FrameTimingRecord);

}  // namespace
