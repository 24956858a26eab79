// Replay of a capture file written by mirav-cli record: the recorded connect reply gives the
// server version, the recorded replies answer the description requests, and the recorded data
// datagrams are sent again, unchanged, with their original spacing in time (or faster).
#ifndef MIRAV_SIM_APP_REPLAY_H
#define MIRAV_SIM_APP_REPLAY_H

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CaptureFile.h"
#include "Server.h"

namespace mirav::sim {

struct ReplayData {
    bool haveVersion = false;
    std::array<uint8_t, 4> version{};
    bool haveServerDescription = false;
    std::vector<uint8_t> serverDescription;  // body of the type-102 reply
    bool haveDescriptions = false;
    uint8_t descriptionsType = 101;  // 101 or 105, as recorded
    std::vector<uint8_t> descriptions;
    std::vector<capture::CapturedDatagram> data;  // data-channel datagrams in arrival order
    uint64_t frames = 0;                          // frame messages among them
    double seconds = 0;                           // from the first to the last data datagram
    bool truncated = false;
};

bool LoadReplay(const std::string& path, ReplayData& replay, std::string& error);

// Plays the data datagrams through the server. Each client that connects sees the recording from
// its start, once it is ready: 100 ms after it asked for the data descriptions, or 1 s after its
// first keep-alive (multicast: after its connect request) if it does not ask.
class ReplayPlayer {
public:
    ReplayPlayer(Server& server, const ReplayData& replay, double speed, bool loop);
    ~ReplayPlayer();
    ReplayPlayer(const ReplayPlayer&) = delete;
    ReplayPlayer& operator=(const ReplayPlayer&) = delete;

    // Installs the command hook that answers from the recording and starts the player.
    void Start(bool multicast);
    void Stop();
    // True once a play-through ended and no loop was asked for.
    bool Finished() const { return finished_.load(); }
    uint64_t FramesSent() const { return framesSent_.load(); }
    bool Playing() const { return playing_.load(); }

private:
    bool OnCommand(const ReceivedCommand& command);
    void Run();
    bool PlayOnce();

    Server& server_;
    const ReplayData& replay_;
    double speed_;
    bool loop_;
    bool multicast_ = false;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool armed_ = false;  // a client connected and has not yet been served from the start
    std::optional<std::chrono::steady_clock::time_point> startAt_;  // when to play from the start
    bool stopping_ = false;
    std::atomic<bool> finished_{false};
    std::atomic<bool> playing_{false};
    std::atomic<uint64_t> framesSent_{0};
};

}  // namespace mirav::sim

#endif
