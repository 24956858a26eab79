// Reassembly of a 10-datagram frame, in order and with one pair of neighbours swapped, next to a
// plain copy of the same fragment bytes into one buffer (what the sequential append cost), so
// the reassembly reads as a ratio of the copy. The counters are those a client counts into.
#include <benchmark/benchmark.h>

#include <cstring>
#include <utility>
#include <vector>

#include "EncodersMessage.h"
#include "client/Reassembler.h"

namespace {

constexpr size_t kFragment = 1462;

std::vector<std::vector<uint8_t>> Datagrams(uint8_t tag) {
    return mirav::sim::EncodeMessage(103, 0, std::vector<uint8_t>(10 * kFragment - 100, tag),
                                     kFragment);
}

void Reassemble(benchmark::State& state, bool swapped) {
    // Two frames that differ, alternately, as consecutive frames of a stream do.
    std::vector<std::vector<uint8_t>> frames[2] = {Datagrams(1), Datagrams(2)};
    if (swapped) {
        for (auto& frame : frames) std::swap(frame[4], frame[5]);
    }
    mirav::Reassembler reassembler;
    mirav::ChannelCounters counters;
    reassembler.SetCounters(&counters);
    mirav::DatagramInfo info;
    size_t which = 0;
    for (auto _ : state) {
        for (const auto& datagram : frames[which]) {
            info.arrivalNs += 1000;
            const auto result =
                reassembler.Accept(datagram.data(), static_cast<uint32_t>(datagram.size()), info);
            benchmark::DoNotOptimize(result.body);
        }
        which ^= 1;
    }
    if (counters.messagesAbandoned.Get() != 0) state.SkipWithError("a frame was abandoned");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 10);
}

void BM_ReassembleFrameInOrder(benchmark::State& state) { Reassemble(state, false); }
void BM_ReassembleFrameSwapped(benchmark::State& state) { Reassemble(state, true); }

void BM_CopyFrameFragments(benchmark::State& state) {
    const auto datagrams = Datagrams(1);
    std::vector<uint8_t> buffer(10 * kFragment);
    for (auto _ : state) {
        size_t used = 0;
        for (const auto& datagram : datagrams) {
            std::memcpy(buffer.data() + used, datagram.data() + 16, datagram.size() - 16);
            used += datagram.size() - 16;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 10);
}

}  // namespace

BENCHMARK(BM_CopyFrameFragments);
BENCHMARK(BM_ReassembleFrameInOrder);
BENCHMARK(BM_ReassembleFrameSwapped);
