// POSIX bodies of the socket primitives: plain system calls, errno read right after each call.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <cstdint>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/Clock.h"
#include "platform/SocketOs.h"

namespace System {
namespace os {
namespace {

int Fd(SocketHandle handle) { return static_cast<int>(handle); }

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

int SetOption(SocketHandle handle, int level, int name, const void* value, socklen_t size) {
    return setsockopt(Fd(handle), level, name, value, size) == 0 ? 0 : errno;
}

int SetIntOption(SocketHandle handle, int level, int name, int value) {
    return SetOption(handle, level, name, &value, sizeof(value));
}

}  // namespace

void StartSocketLibrary() {}

int CreateSocket(SocketType type, SocketHandle* handle) {
    const int kind = type == SocketType::kStream ? SOCK_STREAM : SOCK_DGRAM;
    int fd = socket(AF_INET, kind | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (fd == 0) {
        // Descriptor 0 would read as "no socket": move it to a higher number.
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
        const int error = errno;
        close(fd);
        if (moved < 0) return error;
        fd = moved;
    }
    *handle = static_cast<SocketHandle>(fd);
    return 0;
}

int SetReuseAddress(SocketHandle handle) {
    return SetIntOption(handle, SOL_SOCKET, SO_REUSEADDR, 1);
}

int SetBufferSize(SocketHandle handle, bool receiveBuffer, int bytes) {
    return SetIntOption(handle, SOL_SOCKET, receiveBuffer ? SO_RCVBUF : SO_SNDBUF, bytes);
}

int Bind(SocketHandle handle, uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    return bind(Fd(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) == 0 ? 0 : errno;
}

int Listen(SocketHandle handle, int backlog) {
    return listen(Fd(handle), backlog) == 0 ? 0 : errno;
}

int Connect(SocketHandle handle, uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    if (connect(Fd(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) == 0) return 0;
    return errno == EINPROGRESS ? 0 : errno;
}

int SetNonBlocking(SocketHandle handle, bool on) {
    const int flags = fcntl(Fd(handle), F_GETFL, 0);
    if (flags < 0) return errno;
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(Fd(handle), F_SETFL, wanted) == 0 ? 0 : errno;
}

int SetStreamKeepAlive(SocketHandle handle, int idleMs, int intervalMs) {
    int error = SetIntOption(handle, SOL_SOCKET, SO_KEEPALIVE, 1);
    if (error == 0) error = SetIntOption(handle, IPPROTO_TCP, TCP_KEEPIDLE, idleMs / 1000);
    if (error == 0) error = SetIntOption(handle, IPPROTO_TCP, TCP_KEEPINTVL, intervalMs / 1000);
    return error;
}

// Unconnected UDP sockets receive no unreachable-peer reports here: nothing to switch off.
int DisableConnectionReset(SocketHandle) { return 0; }

int WaitReadyForConnect(SocketHandle handle, int timeoutMs, int* ready) {
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(Fd(handle), &readable);
    FD_SET(Fd(handle), &writable);
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    const int result = select(Fd(handle) + 1, &readable, &writable, nullptr, &limit);
    if (result < 0) {
        *ready = 0;
        return errno;
    }
    *ready = result > 0 ? 1 : 0;
    return 0;
}

int WaitReadable(SocketHandle handle, int timeoutMs, int* ready) {
    pollfd entry{};
    entry.fd = Fd(handle);
    entry.events = POLLIN;
    const int result = poll(&entry, 1, timeoutMs);
    if (result < 0) {
        *ready = 0;
        return errno;
    }
    *ready = result > 0 ? 1 : 0;
    return 0;
}

int SetMulticastInterface(SocketHandle handle, uint32_t interfaceAddress) {
    in_addr value{};
    value.s_addr = htonl(interfaceAddress);
    return SetOption(handle, IPPROTO_IP, IP_MULTICAST_IF, &value, sizeof(value));
}

int SetMulticastLoop(SocketHandle handle, uint8_t loop) {
    return SetOption(handle, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof(loop));
}

int SetMulticastTtl(SocketHandle handle, uint8_t ttl) {
    return SetOption(handle, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
}

int ChangeMembership(SocketHandle handle, bool join, uint32_t group, uint32_t interfaceAddress) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_interface.s_addr = htonl(interfaceAddress);
    return SetOption(handle, IPPROTO_IP, join ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP, &request,
                     sizeof(request));
}

int Send(SocketHandle handle, const void* data, size_t length, size_t* sent) {
    const ssize_t result = send(Fd(handle), data, length, MSG_NOSIGNAL);
    if (result < 0) {
        *sent = 0;
        return errno;
    }
    *sent = static_cast<size_t>(result);
    return 0;
}

int SendTo(SocketHandle handle, const void* data, size_t length, uint32_t address, uint16_t port,
           size_t* sent) {
    const sockaddr_in sa = MakeAddress(address, port);
    const ssize_t result = sendto(Fd(handle), data, length, MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    if (result < 0) {
        *sent = 0;
        return errno;
    }
    *sent = static_cast<size_t>(result);
    return 0;
}

int EnableReceiveReports(SocketHandle handle, bool* dropsReported) {
    *dropsReported = SetIntOption(handle, SOL_SOCKET, SO_RXQ_OVFL, 1) == 0;
    return SetIntOption(handle, SOL_SOCKET, SO_TIMESTAMPNS, 1);
}

namespace {

int64_t RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Wall clock and monotonic clock read as one pair: the wall reading between two monotonic
// ones, keeping the closest of a few tries. A thread preempted between two plain reads would
// otherwise shift the pair by the whole preemption and make a datagram look older than it is.
struct ClockPair {
    int64_t realtimeNs;
    int64_t monotonicNs;
};

ClockPair ReadClockPair() {
    constexpr int kTries = 3;
    ClockPair best{0, 0};
    int64_t bestGap = INT64_MAX;
    for (int i = 0; i < kTries; ++i) {
        const int64_t before = MonotonicNs();
        const int64_t wall = RealtimeNs();
        const int64_t after = MonotonicNs();
        if (after - before < bestGap) {
            bestGap = after - before;
            best = ClockPair{wall, before + (after - before) / 2};
        }
        if (bestGap < 2000) break;  // close enough: a few clock reads' worth
    }
    return best;
}

// The kernel stamps datagrams on the wall clock; the age of the datagram (wall now minus wall
// stamp) moves the stamp onto the monotonic clock. An age outside 0..10 s means the wall clock
// was stepped meanwhile: the receive time is kept instead.
void ReadControl(msghdr* message, int64_t monotonicNow, ReceiveMeta* meta) {
    meta->arrivalNs = monotonicNow;
    meta->arrivalFromKernel = false;
    meta->dropCounter = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(message); c != nullptr; c = CMSG_NXTHDR(message, c)) {
        if (c->cmsg_level != SOL_SOCKET) continue;
        if (c->cmsg_type == SO_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(c), sizeof(stamp));
            const int64_t kernelNs =
                static_cast<int64_t>(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
            const ClockPair now = ReadClockPair();
            const int64_t age = now.realtimeNs - kernelNs;
            if (age >= 0 && age < 10 * int64_t{1000000000}) {
                meta->arrivalNs = std::min(monotonicNow, now.monotonicNs - age);
                meta->arrivalFromKernel = true;
            }
        } else if (c->cmsg_type == SO_RXQ_OVFL && c->cmsg_len >= CMSG_LEN(sizeof(uint32_t))) {
            std::memcpy(&meta->dropCounter, CMSG_DATA(c), sizeof(uint32_t));
        }
    }
}

}  // namespace

int ReceiveFrom(SocketHandle handle, void* buffer, size_t capacity, size_t* received,
                uint32_t* address, uint16_t* port, ReceiveMeta* meta) {
    sockaddr_in sa{};
    iovec part{buffer, capacity};
    alignas(cmsghdr) unsigned char
        control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(uint32_t)) + 64];
    msghdr message{};
    message.msg_name = &sa;
    message.msg_namelen = sizeof(sa);
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = meta != nullptr ? control : nullptr;
    message.msg_controllen = meta != nullptr ? sizeof(control) : 0;
    ssize_t result;
    do {
        result = recvmsg(Fd(handle), &message, 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return errno;
    if (meta != nullptr) ReadControl(&message, MonotonicNs(), meta);
    *received = static_cast<size_t>(result);
    *address = ntohl(sa.sin_addr.s_addr);
    *port = ntohs(sa.sin_port);
    return 0;
}

void ShutdownBoth(SocketHandle handle) { shutdown(Fd(handle), SHUT_RDWR); }

void CloseHandle(SocketHandle handle) { close(Fd(handle)); }

int LocalHostName(char* buffer, size_t size) {
    if (gethostname(buffer, size) != 0) return errno;
    buffer[size - 1] = '\0';
    return 0;
}

int LookupHostAll(const char* name, uint32_t* addresses, int capacity, int* count) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    const int result = getaddrinfo(name, nullptr, &hints, &list);
    if (result != 0) return result == EAI_SYSTEM && errno != 0 ? errno : ENOENT;
    *count = 0;
    for (const addrinfo* entry = list; entry != nullptr && *count < capacity;
         entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) continue;
        const auto* sa = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        addresses[(*count)++] = ntohl(sa->sin_addr.s_addr);
    }
    freeaddrinfo(list);
    return *count > 0 ? 0 : ENOENT;
}

int LookupHost(const char* name, uint32_t* address) {
    int count = 0;
    return LookupHostAll(name, address, 1, &count);
}

bool IsPermanentStreamError(int error) {
    switch (error) {
        case ENOTSOCK:
        case EMSGSIZE:
        case ECONNABORTED:
        case ECONNRESET:
        case ENOTCONN:
        case ESHUTDOWN:
        case ETIMEDOUT:
        case EPIPE:
        case EBADF:
            return true;
        default:
            return false;
    }
}

bool IsWouldBlock(int error) { return error == EWOULDBLOCK || error == EAGAIN; }

// A connected datagram socket receives the host's "port unreachable" as ECONNREFUSED.
bool IsPortUnreachable(int error) { return error == ECONNREFUSED; }

bool ReceiveMayHangAfterUnreachable() { return false; }

}  // namespace os
}  // namespace System
