#include "SimSocket.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

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

namespace mirav::sim {
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

// Takes one waiting datagram; the system's result (below 0 on failure).
long long ReceiveWaiting(NativeSocket fd, void* buffer, size_t capacity, sockaddr_in* from) {
    SocketLength size = sizeof(*from);
    return recvfrom(fd, static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                    reinterpret_cast<sockaddr*>(from), &size);
}

bool SetOption(long long fd, int level, int name, const void* value, size_t size) {
    return setsockopt(Native(fd), level, name, static_cast<const char*>(value),
                      static_cast<SocketLength>(size)) == 0;
}

}  // namespace

bool ParseIPv4(const std::string& text, uint32_t* address) {
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    *address = (a << 24) | (b << 16) | (c << 8) | d;
    return true;
}

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

bool MulticastAllowedHere() {
    // /proc/net/route lists the routes of this namespace; destination 00000000 is a default
    // route. Without the file (other systems) multicast stays off.
    std::ifstream routes("/proc/net/route");
    if (!routes) return false;
    std::string line;
    std::getline(routes, line);
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string device, destination;
        fields >> device >> destination;
        if (destination == "00000000") return false;
    }
    return true;
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

UdpSocket::~UdpSocket() { Close(); }

bool UdpSocket::Fail(OpenFailure failure, int systemError, std::string text) {
    openFailure_ = failure;
    systemError_ = systemError;
    error_ = std::move(text);
    return false;
}

bool UdpSocket::Open(uint32_t address, uint16_t port, bool reuseAddress) {
    Close();
    StartSockets();
    openFailure_ = OpenFailure::kNone;
    const NativeSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == kNoSocket) {
        const int code = LastError();
        return Fail(OpenFailure::kCreate, code, "socket: error " + std::to_string(code));
    }
    if (reuseAddress) {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof(on));
    }
    const sockaddr_in sa = MakeAddress(address, port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) != 0) {
        const int code = LastError();
        CloseNative(fd);
        return Fail(OpenFailure::kBind, code,
                    "bind " + FormatIPv4(address) + ":" + std::to_string(port) + ": error " +
                        std::to_string(code));
    }
    fd_ = static_cast<long long>(fd);
    return true;
}

void UdpSocket::Close() {
    if (fd_ < 0) return;
    CloseNative(Native(fd_));
    fd_ = -1;
}

uint16_t UdpSocket::LocalPort() const {
    sockaddr_in sa{};
    SocketLength size = sizeof(sa);
    if (fd_ < 0 || getsockname(Native(fd_), reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
        return 0;
    }
    return ntohs(sa.sin_port);
}

bool UdpSocket::SendTo(uint32_t address, uint16_t port, const void* data, size_t length) {
    if (fd_ < 0) return false;
    const sockaddr_in sa = MakeAddress(address, port);
    const long long sent =
        sendto(Native(fd_), static_cast<const char*>(data), static_cast<int>(length), 0,
               reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    return sent == static_cast<long long>(length);
}

long UdpSocket::Receive(void* buffer, size_t capacity, int timeoutMs, uint32_t* address,
                        uint16_t* port) {
    if (fd_ < 0) return -1;
    pollfd entry{};
    entry.fd = Native(fd_);
    entry.events = POLLIN;
    const int ready = PollSockets(&entry, 1, timeoutMs);
    if (ready == 0) return 0;
    if (ready < 0) return Interrupted(LastError()) ? 0 : -1;
    sockaddr_in sa{};
    const long long received = ReceiveWaiting(Native(fd_), buffer, capacity, &sa);
    if (received < 0) {
        systemError_ = LastError();
        return -1;
    }
    *address = ntohl(sa.sin_addr.s_addr);
    *port = ntohs(sa.sin_port);
    return static_cast<long>(received);
}

long UdpSocket::ReceiveEither(UdpSocket& first, UdpSocket& second, void* buffer, size_t capacity,
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
    const long long received = ReceiveWaiting(entries[index].fd, buffer, capacity, &sa);
    if (received < 0) return Interrupted(LastError()) ? 0 : -1;
    *which = index;
    *sender = ntohl(sa.sin_addr.s_addr);
    return static_cast<long>(received);
}

bool UdpSocket::SetMulticastSender(uint32_t interfaceAddress) {
    in_addr value{};
    value.s_addr = htonl(interfaceAddress);
    const unsigned char ttl = 1;
    const unsigned char loop = 1;
    return SetOption(fd_, IPPROTO_IP, IP_MULTICAST_IF, &value, sizeof(value)) &&
           SetOption(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl)) &&
           SetOption(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof(loop));
}

bool UdpSocket::JoinGroup(uint32_t group) {
    if (fd_ < 0) return false;
    bool joined = false;
    for (const uint32_t interfaceAddress : {uint32_t{INADDR_ANY}, uint32_t{INADDR_LOOPBACK}}) {
        ip_mreq request{};
        request.imr_multiaddr.s_addr = htonl(group);
        request.imr_interface.s_addr = htonl(interfaceAddress);
        joined = SetOption(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof(request)) || joined;
    }
    if (!joined) error_ = "cannot join group " + FormatIPv4(group);
    return joined;
}

bool UdpSocket::SetSendBuffer(int bytes) {
    return fd_ >= 0 && SetOption(fd_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof(bytes));
}

bool UdpSocket::SetReceiveBuffer(int bytes) {
    return fd_ >= 0 && SetOption(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
}

int UdpSocket::ReceiveBufferGranted() const {
    if (fd_ < 0) return -1;
    int value = 0;
    SocketLength size = sizeof(value);
    if (getsockopt(Native(fd_), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&value), &size) !=
        0) {
        return -1;
    }
#ifdef _WIN32
    return value;
#else
    return value / 2;  // Linux doubles the request for its own bookkeeping and reports that
#endif
}

bool UdpSocket::ConnectTo(uint32_t address, uint16_t port) {
    if (fd_ < 0) return false;
    const sockaddr_in sa = MakeAddress(address, port);
    if (connect(Native(fd_), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) != 0) {
        systemError_ = LastError();
        return false;
    }
    return true;
}

bool UdpSocket::PeerUnreachable() const {
#ifdef _WIN32
    return systemError_ == WSAECONNRESET || systemError_ == WSAECONNREFUSED;
#else
    return systemError_ == ECONNREFUSED;
#endif
}

bool UdpSocket::SourceFor(uint32_t address, uint16_t port, uint32_t* source, int* systemError) {
    StartSockets();
    const NativeSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == kNoSocket) {
        *systemError = LastError();
        return false;
    }
    const sockaddr_in sa = MakeAddress(address, port);
    bool found = connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) == 0;
    *systemError = found ? 0 : LastError();
    sockaddr_in local{};
    SocketLength size = sizeof(local);
    if (found && getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0) {
        *source = ntohl(local.sin_addr.s_addr);
    } else if (found) {
        *systemError = LastError();
        found = false;
    }
    CloseNative(fd);
    return found;
}

}  // namespace mirav::sim
