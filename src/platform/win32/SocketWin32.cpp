// Windows bodies of the socket primitives over Winsock 2.2: plain calls, WSAGetLastError read
// right after each failing call.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// winsock2.h must come before windows.h and the Winsock extension headers.
#include <winsock2.h>
// clang-format off
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <mswsock.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "platform/Clock.h"
#include "platform/SocketOs.h"

namespace System {
namespace os {
namespace {

SOCKET Sock(SocketHandle handle) { return static_cast<SOCKET>(handle); }

int LastError() { return WSAGetLastError(); }

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

int SetOption(SocketHandle handle, int level, int name, const void* value, int size) {
    return setsockopt(Sock(handle), level, name, static_cast<const char*>(value), size) == 0
               ? 0
               : LastError();
}

int SetIntOption(SocketHandle handle, int level, int name, int value) {
    return SetOption(handle, level, name, &value, sizeof(value));
}

// A send or receive takes an int length; larger requests are served in parts by the callers.
int ClampLength(size_t length) {
    constexpr size_t kMaxChunk = 0x7FFFFFFF;
    return static_cast<int>(length < kMaxChunk ? length : kMaxChunk);
}

int Control(SocketHandle handle, DWORD code, void* input, DWORD inputSize) {
    DWORD returned = 0;
    return WSAIoctl(Sock(handle), code, input, inputSize, nullptr, 0, &returned, nullptr,
                    nullptr) == 0
               ? 0
               : LastError();
}

// Waits until the socket is readable (or, with writable, writable too). *ready: 1 ready, 0
// timed out.
int Select(SocketHandle handle, int timeoutMs, bool writable, int* ready) {
    fd_set readSet;
    fd_set writeSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_SET(Sock(handle), &readSet);
    FD_SET(Sock(handle), &writeSet);
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    // The first argument is ignored by Winsock.
    const int result = select(0, &readSet, writable ? &writeSet : nullptr, nullptr, &limit);
    if (result == SOCKET_ERROR) {
        *ready = 0;
        return LastError();
    }
    *ready = result > 0 ? 1 : 0;
    return 0;
}

}  // namespace

void StartSocketLibrary() {
    // The library's result is not examined: a failed start shows as failing socket calls.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

int CreateSocket(SocketType type, SocketHandle* handle) {
    const bool stream = type == SocketType::kStream;
    // Overlapped, like socket() makes them, so a blocked call can be cancelled by Wake;
    // not inherited by child processes. Windows sockets raise no signal on a broken stream.
    const SOCKET created =
        WSASocketW(AF_INET, stream ? SOCK_STREAM : SOCK_DGRAM, stream ? IPPROTO_TCP : IPPROTO_UDP,
                   nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (created == INVALID_SOCKET) return LastError();
    if (created == 0) {
        // Never seen in practice, but 0 reads as "not created" to the facade.
        closesocket(created);
        return WSAEMFILE;
    }
    *handle = static_cast<SocketHandle>(created);
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
    return bind(Sock(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) == 0
               ? 0
               : LastError();
}

int Listen(SocketHandle handle, int backlog) {
    return listen(Sock(handle), backlog) == 0 ? 0 : LastError();
}

int Connect(SocketHandle handle, uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    if (connect(Sock(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)) == 0) return 0;
    const int error = LastError();
    // A non-blocking connect in progress reports WSAEWOULDBLOCK.
    return error == WSAEWOULDBLOCK ? 0 : error;
}

int SetNonBlocking(SocketHandle handle, bool on) {
    u_long value = on ? 1 : 0;
    return ioctlsocket(Sock(handle), FIONBIO, &value) == 0 ? 0 : LastError();
}

int SetStreamKeepAlive(SocketHandle handle, int idleMs, int intervalMs) {
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = static_cast<ULONG>(idleMs);
    values.keepaliveinterval = static_cast<ULONG>(intervalMs);
    return Control(handle, SIO_KEEPALIVE_VALS, &values, sizeof(values));
}

int DisableConnectionReset(SocketHandle handle) {
    // Without this a port-unreachable report for an earlier send fails the next receive of a
    // bound datagram socket with WSAECONNRESET.
    BOOL report = FALSE;
    return Control(handle, SIO_UDP_CONNRESET, &report, sizeof(report));
}

int WaitReadyForConnect(SocketHandle handle, int timeoutMs, int* ready) {
    return Select(handle, timeoutMs, true, ready);
}

int WaitReadable(SocketHandle handle, int timeoutMs, int* ready) {
    return Select(handle, timeoutMs, false, ready);
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
    const int result = send(Sock(handle), static_cast<const char*>(data), ClampLength(length), 0);
    if (result == SOCKET_ERROR) {
        *sent = 0;
        return LastError();
    }
    *sent = static_cast<size_t>(result);
    return 0;
}

int SendTo(SocketHandle handle, const void* data, size_t length, uint32_t address, uint16_t port,
           size_t* sent) {
    const sockaddr_in sa = MakeAddress(address, port);
    const int result = sendto(Sock(handle), static_cast<const char*>(data), ClampLength(length), 0,
                              reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    if (result == SOCKET_ERROR) {
        *sent = 0;
        return LastError();
    }
    *sent = static_cast<size_t>(result);
    return 0;
}

// Winsock reports neither a drop counter nor arrival times on plain receives: the time the
// receive returned is the arrival time.
int EnableReceiveReports(SocketHandle, bool* dropsReported) {
    *dropsReported = false;
    return 0;
}

int ReceiveFrom(SocketHandle handle, void* buffer, size_t capacity, size_t* received,
                uint32_t* address, uint16_t* port, ReceiveMeta* meta) {
    sockaddr_in sa{};
    int size = sizeof(sa);
    const int result = recvfrom(Sock(handle), static_cast<char*>(buffer), ClampLength(capacity), 0,
                                reinterpret_cast<sockaddr*>(&sa), &size);
    if (result == SOCKET_ERROR) return LastError();
    if (meta != nullptr) {
        meta->arrivalNs = MonotonicNs();
        meta->arrivalFromKernel = false;
        meta->dropCounter = 0;
    }
    *received = static_cast<size_t>(result);
    *address = ntohl(sa.sin_addr.s_addr);
    *port = ntohs(sa.sin_port);
    return 0;
}

void ShutdownBoth(SocketHandle handle) {
    // After the shutdown every later receive fails at once; a receive already blocked is not
    // woken by it, so its pending operation is cancelled too (it then fails with
    // ERROR_OPERATION_ABORTED). Together they wake a receiver that is just about to block.
    shutdown(Sock(handle), SD_BOTH);
    CancelIoEx(reinterpret_cast<HANDLE>(Sock(handle)), nullptr);
}

void CloseHandle(SocketHandle handle) { closesocket(Sock(handle)); }

int LocalHostName(char* buffer, size_t size) {
    if (gethostname(buffer, ClampLength(size)) != 0) return LastError();
    buffer[size - 1] = '\0';
    return 0;
}

int LookupHostAll(const char* name, uint32_t* addresses, int capacity, int* count) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    // getaddrinfo returns a Winsock error number itself.
    const int result = getaddrinfo(name, nullptr, &hints, &list);
    if (result != 0) return result;
    *count = 0;
    for (const addrinfo* entry = list; entry != nullptr && *count < capacity;
         entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) continue;
        const auto* sa = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        addresses[(*count)++] = ntohl(sa->sin_addr.s_addr);
    }
    freeaddrinfo(list);
    return *count > 0 ? 0 : WSAHOST_NOT_FOUND;
}

int LookupHost(const char* name, uint32_t* address) {
    int count = 0;
    return LookupHostAll(name, address, 1, &count);
}

bool IsPermanentStreamError(int error) {
    switch (error) {
        case WSAENOTSOCK:      // 10038
        case WSAEMSGSIZE:      // 10040
        case WSAECONNABORTED:  // 10053
        case WSAECONNRESET:    // 10054
        case WSAENOTCONN:      // 10057
        case WSAESHUTDOWN:     // 10058
        case WSAETIMEDOUT:     // 10060
            return true;
        default:
            return false;
    }
}

bool IsWouldBlock(int error) { return error == WSAEWOULDBLOCK; }

// The command socket is connected and keeps connection-reset reports on (only the bound data
// socket switches them off), so "port unreachable" arrives as WSAECONNRESET on its receive.
bool IsPortUnreachable(int error) { return error == WSAECONNRESET || error == WSAECONNREFUSED; }

// Wine's Winsock leaves a blocking recvfrom of a connected datagram socket blocked for good
// after one has reported WSAECONNREFUSED, while a select first and a receive after it keep
// working. Winsock itself does not need it, but the wait costs one call per datagram only on a
// socket that has seen the report (the command channel after its server went away).
bool ReceiveMayHangAfterUnreachable() { return true; }

}  // namespace os
}  // namespace System
