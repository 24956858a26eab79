#include "Replay.h"

#include <chrono>
#include <map>
#include <utility>

namespace mirav::sim {
namespace {

constexpr uint8_t kConnectReply = 1;
constexpr uint8_t kFrame = 103;
constexpr uint8_t kDescriptionsReply = 101;
constexpr uint8_t kDescriptionsImageReply = 105;
constexpr uint8_t kServerDescriptionReply = 102;
constexpr uint8_t kCommandConnect = 0;
constexpr uint8_t kCommandDescriptions = 101;
constexpr uint8_t kCommandServerDescription = 102;
constexpr uint8_t kCommandDescriptionsEx = 107;
constexpr uint8_t kCommandTpose = 109;
constexpr uint8_t kCommandKeepAlive = 111;
constexpr size_t kHeaderSize = 16;
constexpr size_t kVersionOffset = 260;
// When a new client is taken to be ready for frames.
constexpr auto kAfterDescriptions = std::chrono::milliseconds(100);
constexpr auto kWithoutDescriptions = std::chrono::seconds(1);

struct Header {
    int32_t totalLength = 0;
    uint8_t type = 0;
    uint8_t fragmentIndex = 0;
    uint16_t fragmentLength = 0;
    uint32_t sequence = 0;
};

bool ParseHeader(const std::vector<uint8_t>& d, Header* h) {
    if (d.size() < kHeaderSize || d[0] != 0x51 || d[1] != 0xF9) return false;
    h->totalLength =
        static_cast<int32_t>(d[4] | (d[5] << 8) | (d[6] << 16) | (uint32_t{d[7]} << 24));
    h->type = d[8];
    h->fragmentIndex = d[9];
    h->fragmentLength = static_cast<uint16_t>(d[10] | (d[11] << 8));
    h->sequence = d[12] | (d[13] << 8) | (d[14] << 16) | (uint32_t{d[15]} << 24);
    return true;
}

void TakeReply(ReplayData& replay, uint8_t type, std::vector<uint8_t> body) {
    if (type == kConnectReply && body.size() >= kVersionOffset + 4) {
        for (size_t i = 0; i < 4; ++i) replay.version[i] = body[kVersionOffset + i];
        replay.haveVersion = true;
    } else if (type == kServerDescriptionReply) {
        replay.serverDescription = std::move(body);
        replay.haveServerDescription = true;
    } else if (type == kDescriptionsReply || type == kDescriptionsImageReply) {
        replay.descriptionsType = type;
        replay.descriptions = std::move(body);
        replay.haveDescriptions = true;
    }
}

}  // namespace

bool LoadReplay(const std::string& path, ReplayData& replay, std::string& error) {
    capture::CaptureHeader header;
    std::vector<capture::CapturedDatagram> datagrams;
    if (!capture::ReadCapture(path, header, datagrams, error, &replay.truncated)) return false;
    // Replies on the command channel, put together from their fragments.
    std::map<std::pair<uint8_t, uint32_t>, std::vector<uint8_t>> partial;
    for (capture::CapturedDatagram& datagram : datagrams) {
        Header h;
        const bool parsed = ParseHeader(datagram.bytes, &h);
        if (datagram.channel == capture::kDataChannel) {
            if (parsed && h.type == kFrame && h.fragmentIndex == 0) ++replay.frames;
            replay.data.push_back(std::move(datagram));
            continue;
        }
        if (!parsed) continue;
        std::vector<uint8_t>& body = partial[{h.type, h.sequence}];
        if (h.fragmentIndex == 0) body.clear();
        body.insert(body.end(), datagram.bytes.begin() + kHeaderSize, datagram.bytes.end());
        if (static_cast<int64_t>(body.size()) >= h.totalLength) {
            TakeReply(replay, h.type, std::move(body));
            partial.erase({h.type, h.sequence});
        }
    }
    if (replay.data.empty()) {
        error = path + " holds no data datagrams to replay";
        return false;
    }
    replay.seconds =
        static_cast<double>(replay.data.back().micros - replay.data.front().micros) / 1e6;
    return true;
}

ReplayPlayer::ReplayPlayer(Server& server, const ReplayData& replay, double speed, bool loop)
    : server_(server), replay_(replay), speed_(speed > 0 ? speed : 1.0), loop_(loop) {}

ReplayPlayer::~ReplayPlayer() { Stop(); }

void ReplayPlayer::Start(bool multicast) {
    multicast_ = multicast;
    server_.SetCommandHook([this](const ReceivedCommand& command) { return OnCommand(command); });
    thread_ = std::thread([this] { Run(); });
}

void ReplayPlayer::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    server_.SetCommandHook(nullptr);
}

bool ReplayPlayer::OnCommand(const ReceivedCommand& command) {
    using Clock = std::chrono::steady_clock;
    bool answered = false;
    std::lock_guard<std::mutex> guard(lock_);
    switch (command.type) {
        case kCommandServerDescription:
            if (!replay_.haveServerDescription) return false;
            server_.SendReply(kServerDescriptionReply, command.sequence, replay_.serverDescription);
            return true;
        case kCommandDescriptions:
        case kCommandDescriptionsEx:
            if (armed_) {
                startAt_ = Clock::now() + kAfterDescriptions;
                armed_ = false;
            }
            if (!replay_.haveDescriptions) break;
            server_.SendReply(replay_.descriptionsType, command.sequence, replay_.descriptions);
            answered = true;
            break;
        case kCommandTpose:
            return true;  // a recording holds no T-pose descriptions: no answer
        case kCommandConnect:
            armed_ = true;
            startAt_.reset();
            if (multicast_) startAt_ = Clock::now() + kWithoutDescriptions;
            break;
        case kCommandKeepAlive:
            if (armed_ && !startAt_) startAt_ = Clock::now() + kWithoutDescriptions;
            break;
        default:
            return false;
    }
    wake_.notify_all();
    return answered;
}

void ReplayPlayer::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || startAt_.has_value(); });
        if (stopping_) return;
        // The start time may move while waiting for it.
        if (std::chrono::steady_clock::now() < *startAt_) {
            wake_.wait_until(guard, *startAt_);
            continue;
        }
        startAt_.reset();
        armed_ = false;
        guard.unlock();
        bool completed = false;
        do {
            completed = PlayOnce();
        } while (completed && loop_);
        guard.lock();
        if (completed && !loop_) finished_.store(true);
    }
}

bool ReplayPlayer::PlayOnce() {
    using Clock = std::chrono::steady_clock;
    playing_.store(true);
    const auto base = Clock::now();
    const int64_t first = replay_.data.front().micros;
    for (const capture::CapturedDatagram& datagram : replay_.data) {
        const auto due = base + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double, std::micro>(
                                        static_cast<double>(datagram.micros - first) / speed_));
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (wake_.wait_until(guard, due,
                                 [this] { return stopping_ || startAt_.has_value(); })) {
                playing_.store(false);
                return false;  // stopped, or a new client wants the recording from its start
            }
        }
        server_.SendDatagram(datagram.bytes);
        Header h;
        if (ParseHeader(datagram.bytes, &h) && h.type == kFrame && h.fragmentIndex == 0) {
            framesSent_.fetch_add(1);
        }
    }
    playing_.store(false);
    return true;
}

}  // namespace mirav::sim
