// What the loopback benchmarks share: the client session on the substitute server's stream, and
// the plain UDP receive loop on the same stream that the client is read against.
#ifndef MIRAV_BENCH_LOOPBACK_SUPPORT_H
#define MIRAV_BENCH_LOOPBACK_SUPPORT_H

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "SimSocket.h"
#include "client/ClientCore.h"

namespace mirav::bench {

// Runs session() while a client core on loopback hands frames to callback(context); the core
// is torn down before this returns. False, with the benchmark skipped, when it cannot connect.
template <typename Session>
bool WithClient(benchmark::State& state, uint16_t commandPort, uint16_t dataPort,
                MiravDataCallback callback, void* context, Session session) {
    ClientCore core;
    core.SetTeardownPauseMs(0);
    core.SetDataCallback(callback, context);
    if (core.Initialize(nullptr, "127.0.0.1", commandPort, dataPort) != 0) {
        state.SkipWithError("the client could not connect");
        return false;
    }
    session();
    core.Uninitialize();
    core.SetDataCallback(nullptr, nullptr);
    return true;
}

// Runs session() while a plain receive loop on the data port, on a thread of its own, hands
// every datagram to onDatagram(bytes, length). False, with the benchmark skipped, when the port
// cannot be bound.
template <typename OnDatagram, typename Session>
bool WithPlainReceiver(benchmark::State& state, uint16_t dataPort, OnDatagram onDatagram,
                       Session session) {
    sim::UdpSocket plain;
    if (!plain.Open(0, dataPort)) {
        state.SkipWithError(plain.Error().c_str());
        return false;
    }
    std::atomic<bool> receiving{true};
    std::thread receiver([&] {
        std::vector<uint8_t> buffer(65536);
        uint32_t address = 0;
        uint16_t port = 0;
        while (receiving.load()) {
            const long got = plain.Receive(buffer.data(), buffer.size(), 50, &address, &port);
            if (got > 0) onDatagram(buffer.data(), got);
        }
    });
    session();
    receiving = false;
    receiver.join();
    return true;
}

}  // namespace mirav::bench

#endif
