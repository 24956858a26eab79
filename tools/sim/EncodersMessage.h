// Encoder of the 16-byte datagram header and of messages cut into datagrams.
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

// Cuts body into datagrams (header + at most fragmentSize body bytes each, indexes 0, 1, ...; an
// empty body gives one 16-byte datagram). Returns no datagram when the body needs more than 256
// fragments or fragmentSize is 0 or above 65535.
std::vector<std::vector<uint8_t>> EncodeMessage(uint8_t messageType, uint32_t sequence,
                                                const std::vector<uint8_t>& body,
                                                size_t fragmentSize = kDefaultFragmentSize);

}  // namespace mirav::sim

#endif
