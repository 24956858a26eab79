// What the client costs on a live stream, against a plain UDP receive loop on the same datagrams
// in the same run: CPU of the whole process per delivered frame (the sending server included, on
// both sides) and the latency from the server's send to the data callback (to the last
// datagram of the frame for the plain loop), at 1 kHz (range 1000) and at saturation (range 0:
// the server stays at most 16 frames ahead of delivery). Typical frames over loopback.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "FramePathSupport.h"
#include "LoopbackSupport.h"
#include "Server.h"
#include "platform/Diagnostics.h"
#include "protocol/MessageHeader.h"

namespace {

using namespace mirav::bench;

constexpr uint16_t kCommandPort = 25330;
constexpr uint16_t kDataPort = 25331;
constexpr uint8_t kFrameMessage = 103;
constexpr int32_t kFrames = 3000;
constexpr uint64_t kWindowFrames = 16;

struct Timeline {
    std::vector<Clock::time_point> sent = std::vector<Clock::time_point>(kFrames + 2);
    std::vector<double> latencyUs;
    std::atomic<uint64_t> delivered{0};
};

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* timeline = static_cast<Timeline*>(context);
    const auto now = Clock::now();
    const int32_t number = frame->frameNumber;
    if (number >= 1 && number <= kFrames) {
        const std::chrono::duration<double, std::micro> latency = now - timeline->sent[number];
        timeline->latencyUs.push_back(latency.count());
    }
    timeline->delivered.fetch_add(1, std::memory_order_release);
}

// Sends kFrames typical frames at rate (0: as fast as delivery allows); returns process CPU
// seconds spent from the first send until delivery settles.
double Stream(mirav::sim::Server& server, double rate, Timeline& timeline) {
    std::vector<uint8_t> body = Body(kTypical);
    const auto period = std::chrono::duration<double>(rate > 0 ? 1.0 / rate : 0);
    const std::clock_t cpuStart = std::clock();
    const auto start = Clock::now();
    for (int32_t n = 1; n <= kFrames; ++n) {
        if (rate > 0) {
            const auto due = start + std::chrono::duration_cast<Clock::duration>(period * (n - 1));
            std::this_thread::sleep_until(due);
        } else {
            const auto limit = Clock::now() + std::chrono::seconds(2);
            while (static_cast<uint64_t>(n) > timeline.delivered.load() + kWindowFrames &&
                   Clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
        }
        std::memcpy(body.data(), &n, sizeof n);
        timeline.sent[n] = Clock::now();
        server.SendMessage(kFrameMessage, 0, body);
    }
    const auto limit = Clock::now() + std::chrono::seconds(2);
    while (timeline.delivered.load() < static_cast<uint64_t>(kFrames) && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void BM_StreamCostPerFrame(benchmark::State& state) {
    System::SetVerbosityLevel(0);
    const double rate = static_cast<double>(state.range(0));
    mirav::sim::ServerConfig config;
    config.commandPort = kCommandPort;
    config.dataPort = kDataPort;
    const size_t bodySize = Body(kTypical).size();
    const uint64_t datagramsPerFrame = (bodySize + config.fragmentSize - 1) / config.fragmentSize;
    for (auto _ : state) {
        mirav::sim::Server server(config);
        if (!server.Start()) {
            state.SkipWithError(server.Error().c_str());
            return;
        }
        Timeline client;
        client.latencyUs.reserve(kFrames);
        double clientCpu = 0;
        if (!WithClient(state, kCommandPort, kDataPort, &OnFrame, &client,
                        [&] { clientCpu = Stream(server, rate, client); })) {
            return;
        }
        // The plain loop: a frame is complete with its last datagram.
        Timeline loop;
        loop.latencyUs.reserve(kFrames);
        int32_t number = 0;
        const auto onDatagram = [&](const uint8_t* datagram, long length) {
            mirav::MessageHeader header;
            if (!mirav::ParseMessageHeader(datagram, static_cast<size_t>(length), &header)) return;
            // The first datagram names the frame; the last one completes it.
            if (header.fragmentIndex == 0 && length >= 20) {
                std::memcpy(&number, datagram + mirav::kMessageHeaderSize, sizeof number);
            }
            if (header.fragmentIndex + 1u != datagramsPerFrame) return;
            if (number >= 1 && number <= kFrames) {
                const std::chrono::duration<double, std::micro> latency =
                    Clock::now() - loop.sent[number];
                loop.latencyUs.push_back(latency.count());
            }
            loop.delivered.fetch_add(1, std::memory_order_release);
        };
        double plainCpu = 0;
        if (!WithPlainReceiver(state, kDataPort, onDatagram,
                               [&] { plainCpu = Stream(server, rate, loop); })) {
            return;
        }
        server.Stop();

        const double clientFrames = static_cast<double>(std::max<uint64_t>(client.delivered, 1));
        const double plainFrames = static_cast<double>(std::max<uint64_t>(loop.delivered, 1));
        state.counters["client_cpu_us_per_frame"] = clientCpu * 1e6 / clientFrames;
        state.counters["plain_cpu_us_per_frame"] = plainCpu * 1e6 / plainFrames;
        state.counters["cpu_ratio"] = (clientCpu / clientFrames) / (plainCpu / plainFrames);
        state.counters["client_frames"] = clientFrames;
        state.counters["plain_frames"] = plainFrames;
        state.counters["client_p50_us"] = Percentile(client.latencyUs, 0.5);
        state.counters["client_p99_us"] = Percentile(client.latencyUs, 0.99);
        state.counters["plain_p50_us"] = Percentile(loop.latencyUs, 0.5);
        state.counters["plain_p99_us"] = Percentile(loop.latencyUs, 0.99);
    }
    state.SetLabel(rate > 0 ? "1 kHz" : "saturation");
    System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
}
BENCHMARK(BM_StreamCostPerFrame)->Arg(1000)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
