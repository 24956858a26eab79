#include "client/FailureText.h"

#include <cstdio>

#include "mirav/MiravUtilities.h"
#include "platform/SocketFacade.h"

namespace mirav {

std::string AddressText(uint32_t address) {
    char text[16];
    System::FormatAddress(address, text, sizeof(text));
    return text;
}

std::string VersionText(const uint8_t version[4]) {
    char text[32];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", version[0], version[1], version[2],
                  version[3]);
    return text;
}

std::string NoReplyText(const std::string& server, uint32_t port, int32_t waitMs) {
    return "no reply from " + server + ":" + std::to_string(port) + " within " +
           std::to_string(waitMs) + " ms: is the server running and is UDP " +
           std::to_string(port) + " open?";
}

std::string UnreachableText(const std::string& server, uint32_t port) {
    return "port " + std::to_string(port) + " unreachable on " + server + ": nothing is listening";
}

std::string DataPortInUseText(uint32_t port) {
    return "data port " + std::to_string(port) +
           " is already in use by another program on this machine";
}

std::string MulticastJoinText(const char* group, uint32_t port) {
    return std::string("cannot join the multicast group ") + group + " on port " +
           std::to_string(port) + ": check the multicast route and the network interface";
}

std::string RefusedText(const uint8_t serverVersion[4]) {
    uint8_t library[4] = {};
    Solvanta_GetVersion(library);
    return "server " + VersionText(serverVersion) + " refused library version " +
           VersionText(library);
}

std::string StalledText(int stallMs, uint32_t dataPort, bool multicast) {
    char seconds[32];
    std::snprintf(seconds, sizeof(seconds), "%g", stallMs / 1000.0);
    return std::string("connected, but no frames for ") + seconds +
           " s: check the firewall for UDP " + std::to_string(dataPort) +
           (multicast ? " and the multicast route" : " or the multicast route");
}

std::string UnusableAddressText(const char* server) {
    return std::string("the address '") + server +
           "' is not usable: give an IPv4 address or a host name that resolves";
}

std::string CommandChannelText(const char* server, uint32_t port, int result) {
    return std::string("cannot open a socket to ") + server + ":" + std::to_string(port) +
           " (result " + std::to_string(result) +
           "): is the address or host name right, and does it resolve?";
}

std::string AbortedText() { return "the request was abandoned: the client is shutting down"; }

std::string NotConnectedText() { return "not connected to a server: call Initialize first"; }

std::string InsideCallbackText() {
    return "Uninitialize cannot run inside a callback of the library: the library thread would "
           "wait for itself; call it from another thread";
}

}  // namespace mirav
