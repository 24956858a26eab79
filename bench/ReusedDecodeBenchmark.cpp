// Decoding into the record a data channel keeps for every frame, as the receive thread does,
// for small, typical and large frames, against a memcpy of the body in the same run.
#include <benchmark/benchmark.h>

#include <vector>

#include "FramePathSupport.h"
#include "protocol/FrameDecoder.h"
#include "records/ReusableRecord.h"
#include "store/FrameStore.h"

namespace {

using namespace mirav::bench;

void BM_DecodeReused(benchmark::State& state) {
    const std::vector<uint8_t> body = Body(state.range(0));
    mirav::OwnedReusableRecord record;
    const auto start = Clock::now();
    int64_t rounds = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mirav::DecodeFrameReusing(
            body.data(), static_cast<int32_t>(body.size()), kServerVersion, record.Get(), nullptr));
        ++rounds;
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    const double micros = elapsed.count() / static_cast<double>(rounds);
    const double memcpyMicros = MemcpyMicroseconds(body.size());
    state.SetLabel(SizeName(state.range(0)));
    state.counters["body_bytes"] = static_cast<double>(body.size());
    state.counters["us"] = micros;
    state.counters["memcpy_us"] = memcpyMicros;
    state.counters["per_memcpy"] = micros / memcpyMicros;
}
BENCHMARK(BM_DecodeReused)->DenseRange(kSmall, kLarge);

}  // namespace

namespace {

// A take as the receive path feeds it: the frame is pushed from the channel's reused record, so
// nothing but the push touches memory between two takes; only the take is timed.
void BM_TakeFrameFedByReusedRecord(benchmark::State& state) {
    const std::vector<uint8_t> body = Body(state.range(0));
    mirav::OwnedReusableRecord record;
    mirav::DecodeFrameReusing(body.data(), static_cast<int32_t>(body.size()), kServerVersion,
                              record.Get(), nullptr);
    FrameStore store;
    double seconds = 0;
    int64_t takes = 0;
    for (auto _ : state) {
        store.PushFrame(record.Get().Record());
        const auto start = Clock::now();
        benchmark::DoNotOptimize(store.TakeFrame());
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
        seconds += elapsed.count();
        ++takes;
    }
    const double micros = seconds * 1e6 / static_cast<double>(takes);
    const double memcpyMicros = MemcpyMicroseconds(body.size());
    state.SetLabel(SizeName(state.range(0)));
    state.counters["body_bytes"] = static_cast<double>(body.size());
    state.counters["us"] = micros;
    state.counters["memcpy_us"] = memcpyMicros;
    state.counters["per_memcpy"] = micros / memcpyMicros;
}
BENCHMARK(BM_TakeFrameFedByReusedRecord)
    ->DenseRange(kSmall, kLarge)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
