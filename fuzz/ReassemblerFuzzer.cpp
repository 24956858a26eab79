// Fuzz target for the reassembler: the input is a sequence of datagrams, each introduced by
// four bytes: its length (16-bit little-endian), the time since the previous datagram in
// 100-microsecond steps, and how many datagrams the kernel dropped before it. Every complete
// body is read end to end; messages in progress and memory must stay bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "client/Reassembler.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

volatile uint8_t gSink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mirav::Reassembler reassembler;
    mirav::ChannelCounters counters;
    reassembler.SetCounters(&counters);
    mirav::DatagramInfo info;
    info.arrivalNs = 1000000000;
    info.dropCounterValid = true;
    std::vector<uint8_t> datagram;
    size_t at = 0;
    while (at + 4 <= size) {
        const size_t length = static_cast<size_t>(data[at]) | (static_cast<size_t>(data[at + 1]) << 8);
        info.arrivalNs += static_cast<int64_t>(data[at + 2]) * 100000;
        info.dropCounter += data[at + 3];
        at += 4;
        const size_t n = length < size - at ? length : size - at;
        // A copy of exactly n bytes, so reading past the datagram is seen by the sanitizer.
        datagram.assign(data + at, data + at + n);
        at += n;
        const auto result =
            reassembler.Accept(datagram.data(), static_cast<uint32_t>(datagram.size()), info);
        if (result.outcome == mirav::Reassembler::Outcome::kComplete) {
            Check(result.length == static_cast<uint32_t>(result.header.totalLength) ||
                  result.length == result.header.fragmentLength);
            uint8_t sum = 0;
            for (uint32_t i = 0; i < result.length; ++i) sum ^= result.body[i];
            gSink = sum;
        }
        Check(reassembler.MessagesInProgress() <= mirav::Reassembler::kMaxMessagesInProgress);
        Check(reassembler.MemoryBytes() <=
              (mirav::Reassembler::kMaxMessagesInProgress + 1) * mirav::kReassemblyCapacity);
    }
    return 0;
}
