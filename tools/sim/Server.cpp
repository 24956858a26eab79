#include "Server.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "EncodersDescription.h"
#include "EncodersFrame.h"
#include "EncodersMessage.h"

namespace mirav::sim {
namespace {

constexpr uint8_t kConnect = 0;
constexpr uint8_t kDescriptions = 101;
constexpr uint8_t kServerDescription = 102;
constexpr uint8_t kDescriptionsEx = 107;
constexpr uint8_t kTpose = 109;
constexpr uint8_t kConnectReply = 1;
constexpr uint8_t kFrame = 103;
constexpr uint8_t kTextReply = 104;
constexpr uint8_t kDescriptionBroadcast = 100;
constexpr int kPollMs = 50;
constexpr size_t kDatagramCapacity = 65536;

void PutText(std::vector<uint8_t>& out, size_t offset, const std::string& text, size_t field) {
    std::memcpy(out.data() + offset, text.data(), text.size() < field ? text.size() : field - 1);
}

}  // namespace

Server::Server(ServerConfig config)
    : config_(std::move(config)), scene_(config_.sceneRate), random_(config_.impairment.seed) {}

Server::~Server() { Stop(); }

bool Server::Start() {
    uint32_t bind = 0;
    if (!ParseIPv4(config_.bindAddress, &bind)) {
        error_ = "bad bind address " + config_.bindAddress;
        return false;
    }
    if (!commandSocket_.Open(bind, config_.commandPort)) {
        error_ = commandSocket_.Error();
        return false;
    }
    if (!dataSocket_.Open(bind, 0)) {
        error_ = dataSocket_.Error();
        commandSocket_.Close();
        return false;
    }
    dataSocket_.SetSendBuffer(4 * 1024 * 1024);
    uint32_t alternate = 0;
    if (ParseIPv4(config_.alternateSource, &alternate)) alternateSocket_.Open(alternate, 0);
    if (config_.multicast || config_.shortConnectReply) {
        uint32_t interfaceAddress = 0;
        ParseIPv4(config_.multicastInterface, &interfaceAddress);
        dataSocket_.SetMulticastSender(interfaceAddress);
    }
    running_.store(true);
    commandThread_ = std::thread([this] { CommandLoop(); });
    return true;
}

void Server::Stop() {
    StopStreaming();
    running_.store(false);
    if (commandThread_.joinable()) commandThread_.join();
    commandSocket_.Close();
    dataSocket_.Close();
    alternateSocket_.Close();
}

void Server::SetCommandHook(CommandHook hook) {
    std::lock_guard<std::mutex> guard(lock_);
    hook_ = std::move(hook);
}

void Server::SetSilent(bool silent) { silent_.store(silent); }

void Server::CommandLoop() {
    std::vector<uint8_t> buffer(kDatagramCapacity);
    // Bodies of commands that span several datagrams, by sequence number.
    std::map<uint32_t, std::vector<uint8_t>> partial;
    while (running_.load()) {
        uint32_t address = 0;
        uint16_t port = 0;
        const long length =
            commandSocket_.Receive(buffer.data(), buffer.size(), kPollMs, &address, &port);
        if (length < static_cast<long>(kWireHeaderSize)) continue;
        ReceivedCommand command;
        const uint8_t* p = buffer.data();
        command.totalLength =
            static_cast<int32_t>(p[4] | (p[5] << 8) | (p[6] << 16) | (uint32_t{p[7]} << 24));
        command.type = p[8];
        command.fragmentIndex = p[9];
        command.fragmentLength = static_cast<uint16_t>(p[10] | (p[11] << 8));
        command.sequence = p[12] | (p[13] << 8) | (p[14] << 16) | (uint32_t{p[15]} << 24);
        command.body.assign(p + kWireHeaderSize, p + length);
        command.at = std::chrono::steady_clock::now();
        CommandHook hook;
        {
            std::lock_guard<std::mutex> guard(lock_);
            hasClient_ = true;
            clientAddress_ = address;
            clientPort_ = port;
            commands_.push_back(command);
            hook = hook_;
        }
        commandArrived_.notify_all();
        if (hook && hook(command)) continue;
        if (silent_.load() || config_.silentCommands.count(command.type) != 0) continue;
        // Answer once the whole command body has arrived.
        std::vector<uint8_t>& body = partial[command.sequence];
        if (command.fragmentIndex == 0) body.clear();
        body.insert(body.end(), command.body.begin(), command.body.end());
        if (static_cast<int64_t>(body.size()) < command.totalLength) continue;
        command.body = std::move(body);
        partial.erase(command.sequence);
        Answer(command);
    }
}

void Server::Answer(const ReceivedCommand& command) {
    switch (command.type) {
        case kConnect:
            SendReply(kConnectReply, command.sequence, ConnectReplyBody());
            break;
        case kServerDescription:
            SendReply(kServerDescription, command.sequence, ServerDescriptionBody());
            break;
        case kDescriptions:
        case kDescriptionsEx:
            SendReply(config_.descriptionsType, command.sequence,
                      DescriptionsReplyBody(scene_.DescriptionData()));
            break;
        case kTpose: {
            const std::string name(command.body.begin(), command.body.end());
            SendReply(config_.descriptionsType, command.sequence,
                      DescriptionsReplyBody(scene_.TposeDescriptionData(name)));
            break;
        }
        default:
            break;  // keep-alive and unknown commands expect no answer
    }
}

std::vector<uint8_t> Server::ConnectReplyBody() const {
    std::vector<uint8_t> body(config_.shortConnectReply ? 265 : 266, 0);
    std::memcpy(body.data() + 260, config_.version.data(), 4);
    body[264] = config_.accepted;
    if (!config_.shortConnectReply) body[265] = config_.multicast ? 1 : 0;
    return body;
}

std::vector<uint8_t> Server::ServerDescriptionBody() const {
    std::vector<uint8_t> body(sizeof(sServerDescription), 0);
    body[0] = 1;  // host present
    PutText(body, 1, "mirav-sim", 256);
    uint32_t address = 0x7F000001u;
    ParseIPv4(config_.bindAddress, &address);
    for (int i = 0; i < 4; ++i) body[257 + i] = static_cast<uint8_t>(address >> (24 - 8 * i));
    PutText(body, 261, "Mirav Substitute Server", 256);
    const uint8_t appVersion[4] = {1, 0, 0, 0};
    std::memcpy(body.data() + 517, appVersion, 4);
    std::memcpy(body.data() + 521, config_.version.data(), 4);
    return body;
}

std::vector<uint8_t> Server::DescriptionsReplyBody(const std::vector<uint8_t>& data) const {
    if (config_.descriptionsType == 105) return EncodeReplyImage(data);
    return data;
}

bool Server::HasClient() const {
    std::lock_guard<std::mutex> guard(lock_);
    return hasClient_;
}

std::vector<ReceivedCommand> Server::Commands() const {
    std::lock_guard<std::mutex> guard(lock_);
    return commands_;
}

size_t Server::CountCommands(uint8_t type) const {
    std::lock_guard<std::mutex> guard(lock_);
    size_t count = 0;
    for (const ReceivedCommand& command : commands_) count += command.type == type ? 1 : 0;
    return count;
}

bool Server::WaitForCommands(uint8_t type, size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(lock_);
    return commandArrived_.wait_for(guard, timeout, [&] {
        size_t seen = 0;
        for (const ReceivedCommand& command : commands_) seen += command.type == type ? 1 : 0;
        return seen >= count;
    });
}

void Server::ClearCommands() {
    std::lock_guard<std::mutex> guard(lock_);
    commands_.clear();
}

bool Server::DataTarget(uint32_t* address, uint16_t* port) const {
    *port = config_.dataPort;
    if (config_.multicast || config_.shortConnectReply) {
        return MulticastAllowedHere() && ParseIPv4(config_.multicastGroup, address);
    }
    std::lock_guard<std::mutex> guard(lock_);
    *address = clientAddress_;
    return hasClient_;
}

bool Server::SendDatagrams(const std::vector<std::vector<uint8_t>>& datagrams, bool alternate) {
    uint32_t address = 0;
    uint16_t port = 0;
    if (datagrams.empty() || !DataTarget(&address, &port)) return false;
    UdpSocket& socket = alternate ? alternateSocket_ : dataSocket_;
    std::lock_guard<std::mutex> guard(sendLock_);
    if (!alternate && config_.impairment.Active()) {
        return SendImpaired(socket, address, port, datagrams);
    }
    bool ok = true;
    for (const std::vector<uint8_t>& datagram : datagrams) {
        ok = socket.SendTo(address, port, datagram.data(), datagram.size()) && ok;
    }
    return ok;
}

bool Server::SendImpaired(UdpSocket& socket, uint32_t address, uint16_t port,
                          const std::vector<std::vector<uint8_t>>& datagrams) {
    const Impairment& impairment = config_.impairment;
    constexpr uint32_t kLongestBurst = 25;
    const bool frame = datagrams[0].size() > 8 && datagrams[0][8] == kFrame;
    size_t burstStart = datagrams.size();
    if (burstLeft_ == 0 && impairment.burstLoss > 0 && Draw() < impairment.burstLoss) {
        burstStart = static_cast<size_t>(Draw() * static_cast<double>(datagrams.size()));
    }
    bool ok = true;
    bool whole = true;
    const auto send = [&](const std::vector<uint8_t>& datagram) {
        ok = socket.SendTo(address, port, datagram.data(), datagram.size()) && ok;
    };
    for (size_t i = 0; i < datagrams.size(); ++i) {
        ++report_.datagramsOffered;
        if (i == burstStart) burstLeft_ = 1 + static_cast<uint32_t>(Draw() * kLongestBurst);
        const bool lostInBurst = burstLeft_ > 0;
        if (lostInBurst) --burstLeft_;
        if (lostInBurst || (impairment.loss > 0 && Draw() < impairment.loss)) {
            ++report_.datagramsLost;
            whole = false;
            continue;
        }
        const int copies = impairment.duplicate > 0 && Draw() < impairment.duplicate ? 2 : 1;
        report_.datagramsDuplicated += static_cast<uint64_t>(copies - 1);
        for (int copy = 0; copy < copies; ++copy) {
            if (holding_) {
                send(datagrams[i]);
                send(held_);
                holding_ = false;
            } else if (impairment.reorder > 0 && Draw() < impairment.reorder) {
                held_ = datagrams[i];
                holding_ = true;
                ++report_.datagramsSwapped;
            } else {
                send(datagrams[i]);
            }
        }
    }
    // The last datagram of a message has no neighbour to swap with until the next message,
    // which may be a frame period away: it goes out now.
    if (holding_) {
        send(held_);
        holding_ = false;
    }
    if (frame) {
        ++report_.framesOffered;
        if (whole) {
            ++report_.framesComplete;
            if (keepComplete_ && datagrams[0].size() >= 20) {
                int32_t number = 0;
                std::memcpy(&number, datagrams[0].data() + 16, 4);
                report_.completeFrames.push_back(number);
            }
        }
    }
    return ok;
}

ImpairmentReport Server::Impaired() const {
    std::lock_guard<std::mutex> guard(sendLock_);
    return report_;
}

void Server::KeepCompleteFrames(bool keep) {
    std::lock_guard<std::mutex> guard(sendLock_);
    keepComplete_ = keep;
}

void Server::FlushImpairment() {
    uint32_t address = 0;
    uint16_t port = 0;
    if (!DataTarget(&address, &port)) return;
    std::lock_guard<std::mutex> guard(sendLock_);
    if (!holding_) return;
    dataSocket_.SendTo(address, port, held_.data(), held_.size());
    holding_ = false;
}

bool Server::SendMessage(uint8_t type, uint32_t sequence, const std::vector<uint8_t>& body,
                         size_t fragmentSize, bool fromAlternateSource) {
    const size_t size = fragmentSize != 0 ? fragmentSize : config_.fragmentSize;
    return SendDatagrams(EncodeMessage(type, sequence, body, size), fromAlternateSource);
}

bool Server::SendDatagram(const std::vector<uint8_t>& datagram, bool fromAlternateSource) {
    return SendDatagrams({datagram}, fromAlternateSource);
}

bool Server::SendFrame(int32_t frameNumber) {
    return SendMessage(kFrame, 0, scene_.FrameBody(frameNumber));
}

bool Server::SendDescriptionBroadcast() {
    return SendMessage(kDescriptionBroadcast, 0, scene_.DescriptionData());
}

bool Server::SendReply(uint8_t type, uint32_t sequence, const std::vector<uint8_t>& body) {
    uint32_t address = 0;
    uint16_t port = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!hasClient_) return false;
        address = clientAddress_;
        port = clientPort_;
    }
    bool ok = true;
    for (const auto& datagram : EncodeMessage(type, sequence, body, config_.fragmentSize)) {
        ok = commandSocket_.SendTo(address, port, datagram.data(), datagram.size()) && ok;
    }
    return ok;
}

bool Server::SendTextReply(uint32_t sequence, const std::string& text) {
    std::vector<uint8_t> body(text.begin(), text.end());
    body.push_back(0);
    return SendReply(kTextReply, sequence, body);
}

bool Server::SendCommandDatagram(const std::vector<uint8_t>& datagram) {
    uint32_t address = 0;
    uint16_t port = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!hasClient_) return false;
        address = clientAddress_;
        port = clientPort_;
    }
    return commandSocket_.SendTo(address, port, datagram.data(), datagram.size());
}

void Server::StartStreaming(double rate, uint64_t count, bool typicalFrames, StreamGate gate) {
    StopStreaming();
    framesSent_.store(0);
    rate_.store(rate);
    streaming_.store(true);
    streamThread_ =
        std::thread([this, count, typicalFrames, gate] { StreamLoop(count, typicalFrames, gate); });
}

void Server::StopStreaming() {
    streaming_.store(false);
    if (streamThread_.joinable()) streamThread_.join();
    FlushImpairment();
}

std::vector<uint8_t> Server::StreamFrameBody(int32_t frameNumber, bool typicalFrames,
                                             const std::vector<uint8_t>& typical,
                                             int64_t captureNs) {
    if (config_.trueTime) {
        FrameScene frame =
            typicalFrames ? MakeTypicalFrameScene(frameNumber) : scene_.Frame(frameNumber);
        frame.timeStamp = captureNs;
        return EncodeFrameBody(frame);
    }
    if (typicalFrames) {
        std::vector<uint8_t> body = typical;
        for (int i = 0; i < 4; ++i) {
            body[static_cast<size_t>(i)] =
                static_cast<uint8_t>(static_cast<uint32_t>(frameNumber) >> (8 * i));
        }
        return body;
    }
    return scene_.FrameBody(frameNumber);
}

namespace {
using StreamClock = std::chrono::steady_clock;

// Waits until the instant, in short sleeps so a stop is never kept waiting; precise waits
// sleep only to just before it and spin the rest, since sleeps overshoot by tens of
// microseconds (and a yield on a busy machine by a whole time slice).
void WaitUntil(StreamClock::time_point at, bool precise, const std::atomic<bool>& running) {
    const auto margin = precise ? std::chrono::microseconds(300) : std::chrono::microseconds(0);
    while (running.load()) {
        const auto left = at - StreamClock::now();
        if (left <= StreamClock::duration::zero()) return;
        if (left <= margin) continue;
        const StreamClock::duration piece = left - margin;
        std::this_thread::sleep_for(
            std::min<StreamClock::duration>(piece, std::chrono::milliseconds(20)));
    }
}
}  // namespace

void Server::StreamLoop(uint64_t count, bool typicalFrames, StreamGate gate) {
    const std::vector<uint8_t> typical =
        typicalFrames ? EncodeFrameBody(MakeTypicalFrameScene(1)) : std::vector<uint8_t>();
    std::mt19937 random(config_.jitterSeed);
    std::uniform_real_distribution<double> jitter(0.0, std::max(0.0, config_.jitterMs) * 1e-3);
    auto captureAt = StreamClock::now();  // frames are captured on a steady grid from here
    uint64_t sent = 0;
    while (streaming_.load() && (count == 0 || sent < count)) {
        if (gate && !gate(sent)) {
            std::this_thread::yield();
            captureAt = StreamClock::now();  // the pace counts from when the gate opens
            continue;
        }
        const double rate = rate_.load();
        const auto frameNumber = static_cast<int32_t>(sent + 1);
        const int64_t captureNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(captureAt.time_since_epoch())
                .count();
        // Encoded before the wait, so the send leaves at its instant.
        const std::vector<uint8_t> body =
            StreamFrameBody(frameNumber, typicalFrames, typical, captureNs);
        if (rate > 0 && config_.jitterMs > 0) {
            const auto sendAt = captureAt + std::chrono::duration_cast<StreamClock::duration>(
                                                std::chrono::duration<double>(jitter(random)));
            WaitUntil(sendAt, config_.trueTime, streaming_);
        }
        SendMessage(kFrame, 0, body);
        framesSent_.store(++sent);
        if (rate <= 0) {
            captureAt = StreamClock::now();
            continue;
        }
        captureAt += std::chrono::duration_cast<StreamClock::duration>(
            std::chrono::duration<double>(1.0 / rate));
        const auto now = StreamClock::now();
        // Fell far behind: resynchronise.
        if (captureAt < now - std::chrono::seconds(1)) captureAt = now;
        // Up to the capture instant (a little before it when sends are timed precisely: the
        // frame is encoded before its precise wait).
        WaitUntil(config_.trueTime ? captureAt - std::chrono::milliseconds(1) : captureAt, false,
                  streaming_);
    }
}

}  // namespace mirav::sim
