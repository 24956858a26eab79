#include "RawProtocol.h"

#include <chrono>

#include "Session.h"
#include "mirav/MiravUtilities.h"

namespace mirav::cli {
namespace {

constexpr size_t kConnectBodySize = 265;
constexpr size_t kVersionOffset = 260;
constexpr size_t kAcceptedOffset = 264;
constexpr size_t kMulticastOffset = 265;
constexpr uint32_t kConnectSequence = 1;

}  // namespace

bool OpenLocal(sim::UdpSocket& socket, uint16_t port, bool reuseAddress, std::string& error) {
    if (socket.Open(0, port, reuseAddress)) return true;
    const std::string code = std::to_string(socket.LastSystemError());
    error = socket.LastOpenFailure() == sim::UdpSocket::OpenFailure::kCreate
                ? "cannot create a socket (error " + code + ")"
                : "cannot bind port " + std::to_string(port) + " (error " + code + ")";
    return false;
}

bool SendCommand(sim::UdpSocket& socket, uint32_t server, uint8_t type, uint32_t sequence,
                 const std::vector<uint8_t>& body) {
    const auto datagrams = sim::EncodeMessage(type, sequence, body);
    bool sent = !datagrams.empty();
    for (const std::vector<uint8_t>& datagram : datagrams) {
        sent = socket.SendTo(server, kCommandPort, datagram.data(), datagram.size()) && sent;
    }
    return sent;
}

bool ExchangeConnect(sim::UdpSocket& socket, uint32_t server, int timeoutMs, ConnectReply* reply,
                     std::vector<uint8_t>* datagram, std::string& error) {
    std::vector<uint8_t> body(kConnectBodySize, 0);
    Solvanta_GetVersion(body.data() + kVersionOffset);
    if (!SendCommand(socket, server, sim::kWireConnect, kConnectSequence, body)) {
        error = "cannot send to " + sim::FormatIPv4(server);
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> buffer(65536);
    while (Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        uint32_t sender = 0;
        uint16_t senderPort = 0;
        // An error ends the wait: on a connected socket it is the server host's "port
        // unreachable" (socket.PeerUnreachable() then says so).
        const long length = socket.Receive(
            buffer.data(), buffer.size(), static_cast<int>(left.count()) + 1, &sender, &senderPort);
        if (length < 0) break;
        sim::WireHeader header;
        if (length == 0 || sender != server ||
            !sim::ParseWireHeader(buffer.data(), static_cast<size_t>(length), &header) ||
            header.messageType != sim::kWireConnectReply || header.sequence != kConnectSequence ||
            static_cast<size_t>(length) < sim::kWireHeaderSize + kAcceptedOffset + 1) {
            continue;
        }
        const uint8_t* p = buffer.data() + sim::kWireHeaderSize;
        for (int i = 0; i < 4; ++i) reply->version[i] = p[kVersionOffset + i];
        reply->accepted = p[kAcceptedOffset] != 0;
        // A reply without the multicast byte means multicast.
        reply->multicast = static_cast<size_t>(length) <= sim::kWireHeaderSize + kMulticastOffset ||
                           p[kMulticastOffset] != 0;
        if (datagram != nullptr) datagram->assign(buffer.begin(), buffer.begin() + length);
        return true;
    }
    error = InitializeFailure(15, sim::FormatIPv4(server), "");
    return false;
}

}  // namespace mirav::cli
