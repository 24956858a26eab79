#include "RawProtocol.h"

#include <chrono>
#include <cstring>

#include "Session.h"
#include "mirav/MiravUtilities.h"

namespace mirav::cli {
namespace {

constexpr uint16_t kMagic = 0xF951;
constexpr size_t kConnectBodySize = 265;
constexpr size_t kVersionOffset = 260;
constexpr size_t kAcceptedOffset = 264;
constexpr size_t kMulticastOffset = 265;
constexpr uint32_t kConnectSequence = 1;

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

}  // namespace

bool ParseRawHeader(const uint8_t* data, size_t length, RawHeader* header) {
    if (length < kHeaderSize) return false;
    header->magic = static_cast<uint16_t>(data[0] | (data[1] << 8));
    header->totalLength = static_cast<int32_t>(Le32(data + 4));
    header->type = data[8];
    header->fragmentIndex = data[9];
    header->fragmentLength = static_cast<uint16_t>(data[10] | (data[11] << 8));
    header->sequence = Le32(data + 12);
    return header->magic == kMagic;
}

std::vector<uint8_t> EncodeCommand(uint8_t type, uint32_t sequence,
                                   const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(kHeaderSize + body.size(), 0);
    const auto length = static_cast<uint32_t>(body.size());
    out[0] = kMagic & 0xFF;
    out[1] = kMagic >> 8;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(length >> (8 * i));
    out[8] = type;
    out[10] = static_cast<uint8_t>(length);
    out[11] = static_cast<uint8_t>(length >> 8);
    for (int i = 0; i < 4; ++i) out[12 + i] = static_cast<uint8_t>(sequence >> (8 * i));
    if (!body.empty()) std::memcpy(out.data() + kHeaderSize, body.data(), body.size());
    return out;
}

bool ExchangeConnect(CliSocket& socket, uint32_t server, int timeoutMs, ConnectReply* reply,
                     std::vector<uint8_t>* datagram, std::string& error) {
    std::vector<uint8_t> body(kConnectBodySize, 0);
    Solvanta_GetVersion(body.data() + kVersionOffset);
    const std::vector<uint8_t> request = EncodeCommand(kCommandConnect, kConnectSequence, body);
    if (!socket.SendTo(server, kCommandPort, request.data(), request.size())) {
        error = "cannot send to " + FormatIPv4(server);
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> buffer(65536);
    while (Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int which = 0;
        uint32_t sender = 0;
        // The same socket twice: only its own datagrams can arrive.
        const long length =
            CliSocket::ReceiveEither(socket, socket, buffer.data(), buffer.size(),
                                     static_cast<int>(left.count()) + 1, &which, &sender);
        if (length < 0) break;
        RawHeader header;
        if (length == 0 || sender != server ||
            !ParseRawHeader(buffer.data(), static_cast<size_t>(length), &header) ||
            header.type != kMessageConnectReply || header.sequence != kConnectSequence ||
            static_cast<size_t>(length) < kHeaderSize + kAcceptedOffset + 1) {
            continue;
        }
        const uint8_t* p = buffer.data() + kHeaderSize;
        for (int i = 0; i < 4; ++i) reply->version[i] = p[kVersionOffset + i];
        reply->accepted = p[kAcceptedOffset] != 0;
        // A reply without the multicast byte means multicast.
        reply->multicast = static_cast<size_t>(length) <= kHeaderSize + kMulticastOffset ||
                           p[kMulticastOffset] != 0;
        if (datagram != nullptr) datagram->assign(buffer.begin(), buffer.begin() + length);
        return true;
    }
    error = InitializeFailure(15, FormatIPv4(server), "");
    return false;
}

}  // namespace mirav::cli
