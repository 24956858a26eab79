// Operating-system socket primitives under the socket facade. Each body (posix/, later win32/)
// makes the plain system calls and nothing else: no messages, no policy. Unless stated otherwise
// a primitive returns 0 on success or the operating system's error number, read right after the
// failing call. Addresses and ports are in host byte order.
#ifndef MIRAV_PLATFORM_SOCKET_OS_H
#define MIRAV_PLATFORM_SOCKET_OS_H

#include <cstddef>
#include <cstdint>

namespace System {

// A socket handle as the facade stores it; kInvalidSocket marks "none".
using SocketHandle = uint64_t;
constexpr SocketHandle kInvalidSocket = ~static_cast<SocketHandle>(0);

namespace os {

enum class SocketType { kStream, kDatagram };

// Starts the socket library of the process (no effect where none needs starting).
void StartSocketLibrary();

// Creates an IPv4 socket that is not inherited by child processes and never raises a signal
// on a broken stream. The handle is never 0 (a handle 0 counts as "not created" above).
int CreateSocket(SocketType type, SocketHandle* handle);
int SetReuseAddress(SocketHandle handle);
int SetBufferSize(SocketHandle handle, bool receiveBuffer, int bytes);
int Bind(SocketHandle handle, uint32_t address, uint16_t port);
int Listen(SocketHandle handle, int backlog);
// Starts or completes a connect; on a non-blocking socket a connect in progress is not an error.
int Connect(SocketHandle handle, uint32_t address, uint16_t port);
int SetNonBlocking(SocketHandle handle, bool on);
// Turns on keep-alive probes after idleMs of silence, repeated every intervalMs.
int SetStreamKeepAlive(SocketHandle handle, int idleMs, int intervalMs);
// Datagram sockets: stop delivering unreachable-peer reports as receive errors.
int DisableConnectionReset(SocketHandle handle);
// Waits until the socket is readable or writable. *ready: 1 ready, 0 timed out.
int WaitReadyForConnect(SocketHandle handle, int timeoutMs, int* ready);
// Waits up to timeoutMs for a datagram (or an error) to be ready for ReceiveFrom; *ready tells
// whether one is.
int WaitReadable(SocketHandle handle, int timeoutMs, int* ready);

int SetMulticastInterface(SocketHandle handle, uint32_t interfaceAddress);
int SetMulticastLoop(SocketHandle handle, uint8_t loop);
int SetMulticastTtl(SocketHandle handle, uint8_t ttl);
int ChangeMembership(SocketHandle handle, bool join, uint32_t group, uint32_t interfaceAddress);

// One send call; *sent receives the number of bytes taken.
int Send(SocketHandle handle, const void* data, size_t length, size_t* sent);
int SendTo(SocketHandle handle, const void* data, size_t length, uint32_t address, uint16_t port,
           size_t* sent);
// What the system reports beside a received datagram.
struct ReceiveMeta {
    // Arrival on the host's monotonic clock (MonotonicNs): the kernel's time of arrival when
    // arrivalFromKernel, otherwise the time the receive call returned.
    int64_t arrivalNs = 0;
    bool arrivalFromKernel = false;
    // The kernel's running count of datagrams this socket dropped because its receive buffer was
    // full; valid only where the system reports it (see EnableReceiveReports).
    bool dropCounterValid = false;
    uint32_t dropCounter = 0;
};

// Asks the system to report, with every datagram, its kernel arrival time and the socket's drop
// counter where it can. *dropsReported tells whether the drop counter will be valid.
int EnableReceiveReports(SocketHandle handle, bool* dropsReported);

// One blocking receive; *received is the datagram's size (0 after a shutdown). meta may be null.
int ReceiveFrom(SocketHandle handle, void* buffer, size_t capacity, size_t* received,
                uint32_t* address, uint16_t* port, ReceiveMeta* meta = nullptr);

// Shuts both directions down: wakes a thread blocked in ReceiveFrom. Errors are ignored.
void ShutdownBoth(SocketHandle handle);
void CloseHandle(SocketHandle handle);

// Name look-ups. LookupHost gives the first IPv4 address of a name; LookupHostAll up to
// capacity addresses in the resolver's order. Both return 0 or an error number (never 0 when
// nothing was found).
int LocalHostName(char* buffer, size_t size);
int LookupHost(const char* name, uint32_t* address);
int LookupHostAll(const char* name, uint32_t* addresses, int capacity, int* count);

// Errors of a stream send after which a retry cannot succeed.
bool IsPermanentStreamError(int error);
// The error a non-blocking call reports when it would have to wait.
bool IsWouldBlock(int error);
// The error a receive on a connected datagram socket reports after the peer's host answered
// that nothing listens on the peer's port.
bool IsPortUnreachable(int error);
// Whether a blocking receive on a datagram socket may stay blocked for good once a receive has
// reported the peer's port unreachable, although datagrams arrive (seen with some Winsock
// implementations). Such sockets then wait with WaitReadable before every receive.
bool ReceiveMayHangAfterUnreachable();

}  // namespace os
}  // namespace System

#endif
