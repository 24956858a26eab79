// Frames per second the client delivers to its data callback when the substitute server streams
// typical frames over loopback as fast as the client keeps up (the server stays at most a small
// window of frames ahead, so nothing is lost), against the datagram rate of a plain UDP receive
// loop on the same stream under the same rule.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "EncodersFrame.h"
#include "LoopbackSupport.h"
#include "Server.h"
#include "platform/Diagnostics.h"

namespace {

using namespace mirav::bench;

constexpr uint16_t kCommandPort = 25230;
constexpr uint16_t kDataPort = 25231;
constexpr uint64_t kWindowFrames = 16;
constexpr auto kPhase = std::chrono::seconds(3);

struct Delivery {
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> lost{0};
    std::atomic<int32_t> last{0};
};

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* delivery = static_cast<Delivery*>(context);
    const int32_t previous = delivery->last.exchange(frame->frameNumber);
    if (frame->frameNumber > previous + 1) {
        delivery->lost.fetch_add(static_cast<uint64_t>(frame->frameNumber - previous - 1));
    }
    delivery->frames.fetch_add(1);
}

// Runs the stream for one phase; returns the frames per second counted by delivered().
double StreamPhase(mirav::sim::Server& server, const std::function<uint64_t()>& delivered) {
    const uint64_t before = delivered();
    server.StartStreaming(0, 0, true,
                          [&](uint64_t sent) { return sent < delivered() + kWindowFrames; });
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kPhase);
    const uint64_t count = delivered() - before;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    server.StopStreaming();
    return static_cast<double>(count) / seconds;
}

void BM_LoopbackFrameDelivery(benchmark::State& state) {
    System::SetVerbosityLevel(0);
    mirav::sim::ServerConfig config;
    config.commandPort = kCommandPort;
    config.dataPort = kDataPort;
    const size_t bodySize =
        mirav::sim::EncodeFrameBody(mirav::sim::MakeTypicalFrameScene(1)).size();
    const uint64_t datagramsPerFrame = (bodySize + config.fragmentSize - 1) / config.fragmentSize;

    for (auto _ : state) {
        mirav::sim::Server server(config);
        if (!server.Start()) {
            state.SkipWithError(server.Error().c_str());
            return;
        }
        // The client library.
        Delivery delivery;
        double clientRate = 0;
        if (!WithClient(state, kCommandPort, kDataPort, &OnFrame, &delivery, [&] {
                clientRate = StreamPhase(server, [&] { return delivery.frames.load(); });
            })) {
            return;
        }
        // A plain receive loop on the same stream: count datagrams, nothing else.
        std::atomic<uint64_t> datagrams{0};
        double plainFrames = 0;
        if (!WithPlainReceiver(
                state, kDataPort, [&](const uint8_t*, long) { datagrams.fetch_add(1); }, [&] {
                    plainFrames = StreamPhase(
                        server, [&] { return datagrams.load() / datagramsPerFrame; });
                })) {
            return;
        }
        server.Stop();

        state.counters["client_frames_per_s"] = clientRate;
        state.counters["client_frames_lost"] = static_cast<double>(delivery.lost.load());
        state.counters["plain_datagrams_per_s"] =
            plainFrames * static_cast<double>(datagramsPerFrame);
        state.counters["datagrams_per_frame"] = static_cast<double>(datagramsPerFrame);
        state.counters["client_to_plain_ratio"] = plainFrames > 0 ? clientRate / plainFrames : 0;
    }
    System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
}

BENCHMARK(BM_LoopbackFrameDelivery)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
