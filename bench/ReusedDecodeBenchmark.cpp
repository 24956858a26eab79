// Decoding into the record a data channel keeps for every frame, as the receive thread does,
// for small, typical and large frames, against a memcpy of the body in the same run.
#include <benchmark/benchmark.h>

#include <vector>

#include "FramePathSupport.h"
#include "protocol/FrameDecoder.h"
#include "records/ReusableRecord.h"

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
