// The substitute capture server: answers the client's commands on the command port, streams the
// synthetic scene to the client's data port (or to the multicast group, only where that cannot
// leave the machine) and sends any other message on demand, including malformed datagrams and
// datagrams from a second loopback source address for tests.
#ifndef MIRAV_SIM_SERVER_H
#define MIRAV_SIM_SERVER_H

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Scene.h"
#include "SimSocket.h"

namespace mirav::sim {

// Link impairment applied to the datagrams sent to the client's data endpoint (or the group):
// probabilities from 0 to 1, drawn from a generator seeded with seed.
struct Impairment {
    double loss = 0;       // each datagram lost
    double duplicate = 0;  // each datagram sent twice
    double reorder = 0;    // each datagram swapped with the next one of its message
    double burstLoss = 0;  // per message: a run of 1-25 datagrams lost from a random fragment on
    uint64_t seed = 1;
    bool Active() const { return loss > 0 || duplicate > 0 || reorder > 0 || burstLoss > 0; }
};

// What the impairment did, and which frames it let through whole.
struct ImpairmentReport {
    uint64_t framesOffered = 0;
    uint64_t framesComplete = 0;  // every datagram of the frame sent at least once
    uint64_t datagramsOffered = 0;
    uint64_t datagramsLost = 0;
    uint64_t datagramsDuplicated = 0;
    uint64_t datagramsSwapped = 0;
    std::vector<int32_t> completeFrames;  // frame numbers, when kept (KeepCompleteFrames)
};

struct ServerConfig {
    std::string bindAddress = "127.0.0.1";
    uint16_t commandPort = 5230;
    uint16_t dataPort = 5231;
    std::array<uint8_t, 4> version{4, 0, 56, 34};
    uint8_t accepted = 1;
    // Frames go to the multicast group instead of the client's data port; the connect reply's
    // multicast byte says so. A 265-byte connect reply (no multicast byte) also means multicast.
    bool multicast = false;
    bool shortConnectReply = false;
    uint8_t descriptionsType = 101;    // 101: data as body; 105: reply record image
    std::set<uint8_t> silentCommands;  // commands recorded but never answered
    std::string multicastGroup = "239.239.239.52";
    std::string multicastInterface = "127.0.0.1";
    std::string alternateSource = "127.0.0.2";
    size_t fragmentSize = 1462;
    Impairment impairment;
    double sceneRate = 100.0;  // the scene's clock (timecode, motion)
    // Frames are captured on a steady grid and each is sent a random 0..jitterMs ms later.
    double jitterMs = 0.0;
    // timeStamp carries each frame's capture instant in nanoseconds of the host's monotonic
    // clock (std::chrono::steady_clock), and sends are timed to the microsecond, so that tests
    // on the same machine can compare the client's capture times with the truth.
    bool trueTime = false;
    uint32_t jitterSeed = 1;
};

struct ReceivedCommand {
    uint8_t type = 0;
    uint32_t sequence = 0;
    uint8_t fragmentIndex = 0;
    uint16_t fragmentLength = 0;
    int32_t totalLength = 0;
    std::vector<uint8_t> body;  // this datagram's body bytes
    std::chrono::steady_clock::time_point at;
};

class Server {
public:
    // Return true when the command was handled and the default answer must not be sent.
    using CommandHook = std::function<bool(const ReceivedCommand&)>;
    // Streaming consults the gate before each frame (frames sent so far); false waits.
    using StreamGate = std::function<bool(uint64_t framesSent)>;

    explicit Server(ServerConfig config = ServerConfig());
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the command port and the sending sockets and starts answering. False (with
    // Error()) when a socket cannot be bound.
    bool Start();
    void Stop();
    const std::string& Error() const { return error_; }
    const ServerConfig& Config() const { return config_; }
    Scene& SceneModel() { return scene_; }

    void SetCommandHook(CommandHook hook);
    void SetSilent(bool silent);  // every command recorded, none answered

    // Streams scene frames (numbers from 1 up) at rate frames per second (0: as fast as the
    // gate allows) until count frames were sent (0: until stopped). typicalFrames sends
    // typical-size frames, encoded once, instead of the scene.
    void StartStreaming(double rate, uint64_t count = 0, bool typicalFrames = false,
                        StreamGate gate = nullptr);
    void StopStreaming();
    // Changes the frame rate of the running stream; frame numbers go on counting.
    void SetStreamRate(double rate) { rate_.store(rate); }
    uint64_t FramesSent() const { return framesSent_.load(); }

    // Messages to the client's data endpoint (unicast) or the group (multicast).
    bool SendFrame(int32_t frameNumber);
    bool SendMessage(uint8_t type, uint32_t sequence, const std::vector<uint8_t>& body,
                     size_t fragmentSize = 0, bool fromAlternateSource = false);
    bool SendDatagram(const std::vector<uint8_t>& datagram, bool fromAlternateSource = false);
    bool SendNotification(const std::vector<uint8_t>& body) { return SendMessage(108, 0, body); }
    bool SendAnalogChannels(const std::vector<uint8_t>& body) { return SendMessage(110, 0, body); }
    bool SendDescriptionBroadcast();
    // Replies on the command channel.
    bool SendReply(uint8_t type, uint32_t sequence, const std::vector<uint8_t>& body);
    bool SendTextReply(uint32_t sequence, const std::string& text);
    bool SendCommandDatagram(const std::vector<uint8_t>& datagram);

    // What the impairment did so far; keep lists the frame numbers of complete frames.
    ImpairmentReport Impaired() const;
    void KeepCompleteFrames(bool keep);
    // Sends a datagram the impairment still holds back for a swap.
    void FlushImpairment();

    bool HasClient() const;
    std::vector<ReceivedCommand> Commands() const;
    size_t CountCommands(uint8_t type) const;
    // Waits until at least count commands of the type were received.
    bool WaitForCommands(uint8_t type, size_t count, std::chrono::milliseconds timeout) const;
    void ClearCommands();

    // Bodies the server sends, for tests and tools.
    std::vector<uint8_t> ConnectReplyBody() const;
    std::vector<uint8_t> ServerDescriptionBody() const;
    std::vector<uint8_t> DescriptionsReplyBody(const std::vector<uint8_t>& data) const;

private:
    void CommandLoop();
    void StreamLoop(uint64_t count, bool typicalFrames, StreamGate gate);
    std::vector<uint8_t> StreamFrameBody(int32_t frameNumber, bool typicalFrames,
                                         const std::vector<uint8_t>& typical, int64_t captureNs);
    void Answer(const ReceivedCommand& command);
    bool SendDatagrams(const std::vector<std::vector<uint8_t>>& datagrams, bool alternate);
    bool DataTarget(uint32_t* address, uint16_t* port) const;

    ServerConfig config_;
    Scene scene_;
    std::string error_;
    UdpSocket commandSocket_;
    UdpSocket dataSocket_;
    UdpSocket alternateSocket_;
    std::atomic<bool> running_{false};
    std::atomic<bool> streaming_{false};
    std::atomic<bool> silent_{false};
    std::atomic<uint64_t> framesSent_{0};
    std::atomic<double> rate_{0.0};
    std::thread commandThread_;
    std::thread streamThread_;

    mutable std::mutex lock_;  // guards the client endpoint, the command log and the hook
    mutable std::condition_variable commandArrived_;
    bool hasClient_ = false;
    uint32_t clientAddress_ = 0;
    uint16_t clientPort_ = 0;
    std::vector<ReceivedCommand> commands_;
    CommandHook hook_;
    mutable std::mutex sendLock_;  // keeps the datagrams of one message together
    // Impairment state, guarded by sendLock_.
    std::mt19937_64 random_;
    std::vector<uint8_t> held_;  // a datagram waiting to be swapped with the next
    bool holding_ = false;
    uint32_t burstLeft_ = 0;
    bool keepComplete_ = false;
    ImpairmentReport report_;
    double Draw() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }
    bool SendImpaired(UdpSocket& socket, uint32_t address, uint16_t port,
                      const std::vector<std::vector<uint8_t>>& datagrams);
};

}  // namespace mirav::sim

#endif
