// Encoder and reader of the 16-byte datagram header, and the encoder of messages cut into
// datagrams.
#ifndef MIRAV_SIM_ENCODERS_MESSAGE_H
#define MIRAV_SIM_ENCODERS_MESSAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirav::sim {

constexpr uint16_t kWireMagic = 0xF951;
constexpr size_t kWireHeaderSize = 16;
// Body bytes per datagram the client itself sends; the server may use larger datagrams.
constexpr size_t kDefaultFragmentSize = 1462;
// Fragment lengths are 16-bit and fragment indexes 8-bit.
constexpr size_t kMaxFragmentSize = 65535;
constexpr size_t kMaxFragments = 256;

// Commands mirav-cli sends itself and the messages it looks for.
enum WireCommand : uint8_t {
    kWireConnect = 0,
    kWireDescriptions = 101,
    kWireServerDescription = 102,
    kWireKeepAlive = 111
};
enum WireMessage : uint8_t { kWireConnectReply = 1, kWireFrame = 103 };

struct WireHeader {
    uint16_t magic = kWireMagic;
    int32_t totalLength = 0;
    uint8_t messageType = 0;
    uint8_t fragmentIndex = 0;
    uint16_t fragmentLength = 0;
    uint32_t sequence = 0;
};

// Appends the 16 header bytes to out.
void AppendWireHeader(const WireHeader& header, std::vector<uint8_t>* out);
// Reads the header from data[0, length); false when fewer than 16 bytes are given or the magic
// number is not kWireMagic.
bool ParseWireHeader(const uint8_t* data, size_t length, WireHeader* header);

// Cuts body into datagrams (header + at most fragmentSize body bytes each, indexes 0, 1, ...; an
// empty body gives one 16-byte datagram). Returns no datagram when the body needs more than 256
// fragments or fragmentSize is 0 or above 65535.
std::vector<std::vector<uint8_t>> EncodeMessage(uint8_t messageType, uint32_t sequence,
                                                const std::vector<uint8_t>& body,
                                                size_t fragmentSize = kDefaultFragmentSize);

}  // namespace mirav::sim

#endif
