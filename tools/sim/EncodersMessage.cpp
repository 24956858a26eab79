#include "EncodersMessage.h"

#include <algorithm>

#include "EncodersWire.h"

namespace mirav::sim {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (uint32_t{Le16(p + 2)} << 16); }

}  // namespace

void AppendWireHeader(const WireHeader& header, std::vector<uint8_t>* out) {
    WireWriter w;
    w.UInt16(header.magic);
    w.UInt16(0);
    w.Int32(header.totalLength);
    w.UInt8(header.messageType);
    w.UInt8(header.fragmentIndex);
    w.UInt16(header.fragmentLength);
    w.UInt32(header.sequence);
    out->insert(out->end(), w.Data().begin(), w.Data().end());
}

bool ParseWireHeader(const uint8_t* data, size_t length, WireHeader* header) {
    if (length < kWireHeaderSize) return false;
    header->magic = Le16(data);
    header->totalLength = static_cast<int32_t>(Le32(data + 4));
    header->messageType = data[8];
    header->fragmentIndex = data[9];
    header->fragmentLength = Le16(data + 10);
    header->sequence = Le32(data + 12);
    return header->magic == kWireMagic;
}

std::vector<std::vector<uint8_t>> EncodeMessage(uint8_t messageType, uint32_t sequence,
                                                const std::vector<uint8_t>& body,
                                                size_t fragmentSize) {
    std::vector<std::vector<uint8_t>> datagrams;
    if (fragmentSize == 0 || fragmentSize > kMaxFragmentSize ||
        body.size() > kMaxFragments * fragmentSize) {
        return datagrams;
    }
    size_t sent = 0;
    uint8_t index = 0;
    do {
        const size_t n = std::min(fragmentSize, body.size() - sent);
        WireHeader header;
        header.totalLength = static_cast<int32_t>(body.size());
        header.messageType = messageType;
        header.fragmentIndex = index++;
        header.fragmentLength = static_cast<uint16_t>(n);
        header.sequence = sequence;
        std::vector<uint8_t> datagram;
        datagram.reserve(kWireHeaderSize + n);
        AppendWireHeader(header, &datagram);
        datagram.insert(datagram.end(), body.begin() + static_cast<std::ptrdiff_t>(sent),
                        body.begin() + static_cast<std::ptrdiff_t>(sent + n));
        datagrams.push_back(std::move(datagram));
        sent += n;
    } while (sent < body.size());
    return datagrams;
}

}  // namespace mirav::sim
