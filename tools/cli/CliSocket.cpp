#include "CliSocket.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace mirav::cli {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
using SocketLength = int;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;
struct WinsockStarter {
    WinsockStarter() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};
void StartSockets() { static WinsockStarter starter; }
int LastError() { return WSAGetLastError(); }
int PollSockets(pollfd* fds, int count, int timeoutMs) {
    return WSAPoll(fds, static_cast<ULONG>(count), timeoutMs);
}
void CloseNative(NativeSocket fd) { closesocket(fd); }
bool Interrupted(int) { return false; }
#else
using NativeSocket = int;
using SocketLength = socklen_t;
constexpr NativeSocket kNoSocket = -1;
void StartSockets() {}
int LastError() { return errno; }
int PollSockets(pollfd* fds, int count, int timeoutMs) {
    return poll(fds, static_cast<nfds_t>(count), timeoutMs);
}
void CloseNative(NativeSocket fd) { close(fd); }
bool Interrupted(int error) { return error == EINTR; }
#endif

NativeSocket Native(long long fd) { return static_cast<NativeSocket>(fd); }

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

}  // namespace

bool ResolveIPv4(const std::string& name, uint32_t* address) {
    StartSockets();
    in_addr parsed{};
    if (inet_pton(AF_INET, name.c_str(), &parsed) == 1) {
        *address = ntohl(parsed.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    *address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

std::string FormatIPv4(uint32_t address) {
    return std::to_string((address >> 24) & 0xFF) + "." + std::to_string((address >> 16) & 0xFF) +
           "." + std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

CliSocket::~CliSocket() { Close(); }

bool CliSocket::Open(uint16_t port, bool reuseAddress) {
    Close();
    StartSockets();
    const NativeSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == kNoSocket) {
        error_ = "cannot create a socket (error " + std::to_string(LastError()) + ")";
        return false;
    }
    const int on = 1;
    if (reuseAddress) {
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof(on));
    }
    const sockaddr_in sa = MakeAddress(INADDR_ANY, port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) != 0) {
        error_ = "cannot bind port " + std::to_string(port) + " (error " +
                 std::to_string(LastError()) + ")";
        CloseNative(fd);
        return false;
    }
    fd_ = static_cast<long long>(fd);
    return true;
}

void CliSocket::Close() {
    if (fd_ < 0) return;
    CloseNative(Native(fd_));
    fd_ = -1;
}

bool CliSocket::SendTo(uint32_t address, uint16_t port, const void* data, size_t length) {
    if (fd_ < 0) return false;
    const sockaddr_in sa = MakeAddress(address, port);
    const auto sent = sendto(Native(fd_), static_cast<const char*>(data), static_cast<int>(length),
                             0, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    return sent == static_cast<long long>(length);
}

bool CliSocket::JoinGroup(uint32_t group) {
    if (fd_ < 0) return false;
    bool joined = false;
    for (const uint32_t interfaceAddress : {uint32_t{INADDR_ANY}, uint32_t{INADDR_LOOPBACK}}) {
        ip_mreq request{};
        request.imr_multiaddr.s_addr = htonl(group);
        request.imr_interface.s_addr = htonl(interfaceAddress);
        joined = setsockopt(Native(fd_), IPPROTO_IP, IP_ADD_MEMBERSHIP,
                            reinterpret_cast<const char*>(&request), sizeof(request)) == 0 ||
                 joined;
    }
    if (!joined) error_ = "cannot join group " + FormatIPv4(group);
    return joined;
}

bool CliSocket::SetReceiveBuffer(int bytes) {
    return fd_ >= 0 && setsockopt(Native(fd_), SOL_SOCKET, SO_RCVBUF,
                                  reinterpret_cast<const char*>(&bytes), sizeof(bytes)) == 0;
}

long CliSocket::ReceiveEither(CliSocket& first, CliSocket& second, void* buffer, size_t capacity,
                              int timeoutMs, int* which, uint32_t* sender) {
    pollfd entries[2] = {};
    entries[0].fd = Native(first.fd_);
    entries[0].events = POLLIN;
    entries[1].fd = Native(second.fd_);
    entries[1].events = POLLIN;
    const int ready = PollSockets(entries, 2, timeoutMs);
    if (ready == 0) return 0;
    if (ready < 0) return Interrupted(LastError()) ? 0 : -1;
    const int index = (entries[0].revents & POLLIN) != 0 ? 0 : 1;
    if ((entries[index].revents & POLLIN) == 0) return -1;
    sockaddr_in sa{};
    SocketLength size = sizeof(sa);
    const auto received =
        recvfrom(entries[index].fd, static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                 reinterpret_cast<sockaddr*>(&sa), &size);
    if (received < 0) return Interrupted(LastError()) ? 0 : -1;
    *which = index;
    *sender = ntohl(sa.sin_addr.s_addr);
    return static_cast<long>(received);
}

}  // namespace mirav::cli
