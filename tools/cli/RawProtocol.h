// The few protocol pieces the record command and the transport probe speak themselves: the
// 16-byte message header, single-datagram commands and the connect reply.
#ifndef MIRAV_CLI_RAW_PROTOCOL_H
#define MIRAV_CLI_RAW_PROTOCOL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CliSocket.h"

namespace mirav::cli {

constexpr uint8_t kCommandConnect = 0;
constexpr uint8_t kCommandDescriptions = 101;
constexpr uint8_t kCommandServerDescription = 102;
constexpr uint8_t kCommandKeepAlive = 111;
constexpr uint8_t kMessageConnectReply = 1;
constexpr uint8_t kMessageFrame = 103;
constexpr size_t kHeaderSize = 16;
constexpr uint32_t kMulticastGroup = 0xEFEFEF34;  // 239.239.239.52

struct RawHeader {
    uint16_t magic = 0;
    int32_t totalLength = 0;
    uint8_t type = 0;
    uint8_t fragmentIndex = 0;
    uint16_t fragmentLength = 0;
    uint32_t sequence = 0;
};

bool ParseRawHeader(const uint8_t* data, size_t length, RawHeader* header);
// One datagram carrying a whole command (the commands sent here are small).
std::vector<uint8_t> EncodeCommand(uint8_t type, uint32_t sequence,
                                   const std::vector<uint8_t>& body = {});

struct ConnectReply {
    bool accepted = false;
    bool multicast = false;
    unsigned char version[4] = {};
};

// Sends the connect request from socket and waits up to timeoutMs for the reply from server.
// On success the reply datagram is kept in *datagram (for recording).
bool ExchangeConnect(CliSocket& socket, uint32_t server, int timeoutMs, ConnectReply* reply,
                     std::vector<uint8_t>* datagram, std::string& error);

}  // namespace mirav::cli

#endif
