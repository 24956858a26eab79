// The costs of a frame between the wire and the application, for small, typical and large
// frames, each read against a memcpy of the frame body measured in the same run: decoding and
// releasing a decoded frame, taking a frame (warm and with cold caches) and the resident memory
// of 32 queued frames.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "FramePathSupport.h"
#include "protocol/FrameDecoder.h"
#include "records/FrameMemory.h"
#include "store/FrameStore.h"

namespace {

using namespace mirav::bench;

sFrameOfMocapData* Decode(const std::vector<uint8_t>& body) {
    sFrameOfMocapData* frame = nullptr;
    mirav::DecodeFrame(body.data(), static_cast<int32_t>(body.size()), kServerVersion, &frame,
                       nullptr);
    return frame;
}

void Baseline(benchmark::State& state, size_t bodyBytes, double microseconds) {
    const double memcpyMicros = MemcpyMicroseconds(bodyBytes);
    state.SetLabel(SizeName(state.range(0)));
    state.counters["body_bytes"] = static_cast<double>(bodyBytes);
    state.counters["us"] = microseconds;
    state.counters["memcpy_us"] = memcpyMicros;
    state.counters["per_memcpy"] = microseconds / memcpyMicros;
}

// A decoded frame of its own per body, released after: the path of a record per frame.
void BM_DecodeAndReleaseFresh(benchmark::State& state) {
    const std::vector<uint8_t> body = Body(state.range(0));
    const auto start = Clock::now();
    int64_t rounds = 0;
    for (auto _ : state) {
        sFrameOfMocapData* frame = Decode(body);
        benchmark::DoNotOptimize(frame);
        mirav::ReleaseDecodedFrame(frame);
        ++rounds;
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    Baseline(state, body.size(), elapsed.count() / static_cast<double>(rounds));
}
BENCHMARK(BM_DecodeAndReleaseFresh)->DenseRange(kSmall, kLarge);

// The cost of one TakeFrame of a pushed frame; with cold caches when state.range(1) is 1.
void BM_TakeFrame(benchmark::State& state) {
    const std::vector<uint8_t> body = Body(state.range(0));
    const bool cold = state.range(1) == 1;
    auto store = std::make_unique<FrameStore>();
    double seconds = 0;
    int64_t takes = 0;
    for (auto _ : state) {
        store->PushFrame(Decode(body));
        if (cold) EvictCaches();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(store->TakeFrame());
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
        seconds += elapsed.count();
        ++takes;
    }
    Baseline(state, body.size(), seconds * 1e6 / static_cast<double>(takes));
    state.SetLabel(std::string(SizeName(state.range(0))) + (cold ? " cold" : " warm"));
}
BENCHMARK(BM_TakeFrame)
    ->ArgsProduct({{kSmall, kTypical, kLarge}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Resident memory added by a fresh store holding 32 pushed frames that nobody takes.
void BM_QueuedFramesResidentMemory(benchmark::State& state) {
    const std::vector<uint8_t> body = Body(state.range(0));
    double added = 0;
    for (auto _ : state) {
        const double before = ResidentKilobytes();
        auto store = std::make_unique<FrameStore>();
        for (int i = 0; i < static_cast<int>(FrameStore::kMaxPendingFrames); ++i) {
            store->PushFrame(Decode(body));
        }
        added = ResidentKilobytes() - before;
    }
    state.SetLabel(SizeName(state.range(0)));
    state.counters["body_bytes"] = static_cast<double>(body.size());
    state.counters["added_kB"] = added;
    state.counters["body_x32_kB"] = static_cast<double>(body.size()) * 32 / 1024;
}
BENCHMARK(BM_QueuedFramesResidentMemory)->DenseRange(kSmall, kLarge)->Iterations(1);

}  // namespace
