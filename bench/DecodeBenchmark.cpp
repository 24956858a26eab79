// Decoding and releasing a typical frame, next to a copy of the same body bytes and a clear of
// one frame record's worth of memory, so the decode time reads as a ratio of the two.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "EncodersFrame.h"
#include "protocol/FrameDecoder.h"

namespace {

constexpr uint32_t kExtensionServerVersion = 4;

const std::vector<uint8_t>& TypicalBody() {
    static const std::vector<uint8_t> body =
        mirav::sim::EncodeFrameBody(mirav::sim::MakeTypicalFrameScene(1));
    return body;
}

void BM_DecodeAndReleaseTypicalFrame(benchmark::State& state) {
    const std::vector<uint8_t>& body = TypicalBody();
    for (auto _ : state) {
        sFrameOfMocapData* frame = nullptr;
        int32_t consumed = 0;
        const int result = mirav::DecodeFrame(body.data(), static_cast<int32_t>(body.size()),
                                              kExtensionServerVersion, &frame, &consumed);
        benchmark::DoNotOptimize(frame);
        if (result != 0) {
            state.SkipWithError("typical frame rejected");
            break;
        }
        mirav::ReleaseDecodedFrame(frame);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
    state.counters["body_bytes"] = static_cast<double>(body.size());
}
BENCHMARK(BM_DecodeAndReleaseTypicalFrame);

void BM_MemcpyTypicalBody(benchmark::State& state) {
    const std::vector<uint8_t>& body = TypicalBody();
    std::vector<uint8_t> copy(body.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), body.data(), body.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_MemcpyTypicalBody);

void BM_MemsetFrameRecordSize(benchmark::State& state) {
    std::vector<uint8_t> record(sizeof(sFrameOfMocapData));
    static_assert(sizeof(sFrameOfMocapData) == 1032376, "one frame record");
    for (auto _ : state) {
        std::memset(record.data(), 0, record.size());
        benchmark::DoNotOptimize(record.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * record.size()));
}
BENCHMARK(BM_MemsetFrameRecordSize);

}  // namespace
