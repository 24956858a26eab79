#include "EncodersMessage.h"

#include <algorithm>

#include "EncodersWire.h"

namespace mirav::sim {

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
