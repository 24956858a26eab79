// Cost of TakeFrame for a typical frame, next to a memcpy of the same bytes and one memset of a
// whole frame record measured in the same run, so the figures read as ratios.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "EncodersFrame.h"
#include "protocol/FrameDecoder.h"
#include "store/FrameStore.h"

namespace {

// Server version bytes 4, 0, 56, 34 (first byte low): the extension block is decoded.
constexpr uint32_t kServerVersion = 4u | (0u << 8) | (56u << 16) | (34u << 24);
constexpr int kBaselineRounds = 200;

using Clock = std::chrono::steady_clock;

sFrameOfMocapData* DecodeTypicalFrame(const std::vector<uint8_t>& body) {
    sFrameOfMocapData* frame = nullptr;
    mirav::DecodeFrame(body.data(), static_cast<int32_t>(body.size()), kServerVersion, &frame,
                       nullptr);
    return frame;
}

// Bytes TakeFrame copies: the whole record plus every array of positive count.
size_t CopiedBytes(const sFrameOfMocapData& frame) {
    auto bodyBytes = [](const sRigidBodyData& body) {
        return body.markerCount > 0 ? body.markerCount * (sizeof(MarkerData) + 8) : 0;
    };
    size_t bytes = sizeof(sFrameOfMocapData);
    for (int i = 0; i < frame.markerSetCount; ++i) {
        bytes += frame.mocapData[i].markerCount * sizeof(MarkerData);
    }
    bytes += frame.otherMarkerCount * sizeof(MarkerData);
    for (int i = 0; i < frame.rigidBodyCount; ++i) bytes += bodyBytes(frame.rigidBodies[i]);
    for (int i = 0; i < frame.skeletonCount; ++i) {
        const sSkeletonData& skeleton = frame.skeletons[i];
        bytes += skeleton.rigidBodyCount * sizeof(sRigidBodyData);
        for (int j = 0; j < skeleton.rigidBodyCount; ++j) {
            bytes += bodyBytes(skeleton.rigidBodyData[j]);
        }
    }
    return bytes;
}

// Mean microseconds of one call of operation over kBaselineRounds warm rounds.
template <class Operation>
double MeanMicroseconds(Operation operation) {
    operation();
    const auto start = Clock::now();
    for (int i = 0; i < kBaselineRounds; ++i) operation();
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / kBaselineRounds;
}

void BM_TakeFrameTypical(benchmark::State& state) {
    const std::vector<uint8_t> body =
        mirav::sim::EncodeFrameBody(mirav::sim::MakeTypicalFrameScene(1));
    auto store = std::make_unique<FrameStore>();
    size_t copiedBytes = 0;
    double takeSeconds = 0;
    int64_t takes = 0;
    for (auto _ : state) {
        sFrameOfMocapData* frame = DecodeTypicalFrame(body);
        if (frame == nullptr) {
            state.SkipWithError("the typical frame did not decode");
            break;
        }
        copiedBytes = CopiedBytes(*frame);
        store->PushFrame(frame);
        const auto start = Clock::now();
        benchmark::DoNotOptimize(store->TakeFrame());
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
        takeSeconds += elapsed.count();
        ++takes;
    }
    if (takes == 0) return;

    std::vector<uint8_t> source(copiedBytes, 1);
    std::vector<uint8_t> destination(copiedBytes);
    const double memcpyMicros = MeanMicroseconds([&] {
        std::memcpy(destination.data(), source.data(), copiedBytes);
        benchmark::ClobberMemory();
    });
    std::vector<uint8_t> record(sizeof(sFrameOfMocapData));
    const double memsetMicros = MeanMicroseconds([&] {
        std::memset(record.data(), 0, record.size());
        benchmark::ClobberMemory();
    });
    const double takeMicros = takeSeconds * 1e6 / static_cast<double>(takes);
    state.counters["copied_bytes"] = static_cast<double>(copiedBytes);
    state.counters["take_us"] = takeMicros;
    state.counters["memcpy_us"] = memcpyMicros;
    state.counters["memset_us"] = memsetMicros;
    state.counters["take_per_memcpy"] = takeMicros / memcpyMicros;
    state.counters["take_per_memset"] = takeMicros / memsetMicros;
}
BENCHMARK(BM_TakeFrameTypical)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
