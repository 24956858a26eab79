// The few protocol pieces the record command and the transport probe speak themselves, over the
// tools' shared socket and header encoder: message types, the connect exchange and its reply.
#ifndef MIRAV_CLI_RAW_PROTOCOL_H
#define MIRAV_CLI_RAW_PROTOCOL_H

#include <cstdint>
#include <string>
#include <vector>

#include "EncodersMessage.h"
#include "SimSocket.h"

namespace mirav::cli {

constexpr uint32_t kMulticastGroup = 0xEFEFEF34;  // 239.239.239.52

// Binds socket to port on every local interface; on failure error gives the reason.
bool OpenLocal(sim::UdpSocket& socket, uint16_t port, bool reuseAddress, std::string& error);

// Sends a command (small enough for one datagram) from socket to the server's command port.
bool SendCommand(sim::UdpSocket& socket, uint32_t server, uint8_t type, uint32_t sequence,
                 const std::vector<uint8_t>& body = {});

struct ConnectReply {
    bool accepted = false;
    bool multicast = false;
    unsigned char version[4] = {};
};

// Sends the connect request from socket and waits up to timeoutMs for the reply from server.
// On success the reply datagram is kept in *datagram (for recording).
bool ExchangeConnect(sim::UdpSocket& socket, uint32_t server, int timeoutMs, ConnectReply* reply,
                     std::vector<uint8_t>* datagram, std::string& error);

}  // namespace mirav::cli

#endif
