#include "SimSocket.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#define MIRAV_SIM_CLOSE closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
#define MIRAV_SIM_CLOSE close
#endif

namespace mirav::sim {
namespace {

#ifdef _WIN32
struct WinsockStarter {
    WinsockStarter() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};
void StartSockets() { static WinsockStarter starter; }
int LastError() { return WSAGetLastError(); }
int PollOne(pollfd* fd, int timeoutMs) { return WSAPoll(fd, 1, timeoutMs); }
using NativeSocket = SOCKET;
#else
void StartSockets() {}
int LastError() { return errno; }
int PollOne(pollfd* fd, int timeoutMs) { return poll(fd, 1, timeoutMs); }
using NativeSocket = int;
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

bool ParseIPv4(const std::string& text, uint32_t* address) {
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    *address = (a << 24) | (b << 16) | (c << 8) | d;
    return true;
}

std::string FormatIPv4(uint32_t address) {
    std::ostringstream out;
    out << ((address >> 24) & 0xFF) << '.' << ((address >> 16) & 0xFF) << '.'
        << ((address >> 8) & 0xFF) << '.' << (address & 0xFF);
    return out.str();
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

UdpSocket::~UdpSocket() { Close(); }

bool UdpSocket::Open(uint32_t address, uint16_t port) {
    Close();
    StartSockets();
    const NativeSocket fd = socket(AF_INET, SOCK_DGRAM, 0);
#ifdef _WIN32
    if (fd == INVALID_SOCKET) {
#else
    if (fd < 0) {
#endif
        error_ = "socket: error " + std::to_string(LastError());
        return false;
    }
    const sockaddr_in sa = MakeAddress(address, port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) != 0) {
        error_ = "bind " + FormatIPv4(address) + ":" + std::to_string(port) + ": error " +
                 std::to_string(LastError());
        MIRAV_SIM_CLOSE(fd);
        return false;
    }
    fd_ = static_cast<long long>(fd);
    return true;
}

void UdpSocket::Close() {
    if (fd_ < 0) return;
    MIRAV_SIM_CLOSE(Native(fd_));
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
    const int ready = PollOne(&entry, timeoutMs);
    if (ready == 0) return 0;
    if (ready < 0) return LastError() == EINTR ? 0 : -1;
    sockaddr_in sa{};
    SocketLength size = sizeof(sa);
    const auto received =
        recvfrom(Native(fd_), static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                 reinterpret_cast<sockaddr*>(&sa), &size);
    if (received < 0) return -1;
    *address = ntohl(sa.sin_addr.s_addr);
    *port = ntohs(sa.sin_port);
    return static_cast<long>(received);
}

bool UdpSocket::SetMulticastSender(uint32_t interfaceAddress) {
    in_addr value{};
    value.s_addr = htonl(interfaceAddress);
    const unsigned char ttl = 1;
    const unsigned char loop = 1;
    return setsockopt(Native(fd_), IPPROTO_IP, IP_MULTICAST_IF,
                      reinterpret_cast<const char*>(&value), sizeof(value)) == 0 &&
           setsockopt(Native(fd_), IPPROTO_IP, IP_MULTICAST_TTL,
                      reinterpret_cast<const char*>(&ttl), sizeof(ttl)) == 0 &&
           setsockopt(Native(fd_), IPPROTO_IP, IP_MULTICAST_LOOP,
                      reinterpret_cast<const char*>(&loop), sizeof(loop)) == 0;
}

bool UdpSocket::SetSendBuffer(int bytes) {
    return fd_ >= 0 && setsockopt(Native(fd_), SOL_SOCKET, SO_SNDBUF,
                                  reinterpret_cast<const char*>(&bytes), sizeof(bytes)) == 0;
}

}  // namespace mirav::sim
