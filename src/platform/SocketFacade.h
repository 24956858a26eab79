// Stateless IPv4 socket operations used by the client channels: client, server and multicast
// sockets, name resolution, sends and receives. Every failure is reported through the
// diagnostics and returned as a result code; nothing throws.
#ifndef MIRAV_PLATFORM_SOCKET_FACADE_H
#define MIRAV_PLATFORM_SOCKET_FACADE_H

#include <cstdint>

#include "platform/SocketOs.h"

namespace System {

// Result codes of the facade.
constexpr int kSocketOk = 0;
constexpr int kSocketFailed = 1;
constexpr int kSocketBadArgument = 4;
constexpr int kSocketNotCreated = 7;
constexpr int kSocketConnectFailed = 14;
// RecvFrom on a connected datagram socket: the peer's host reported its port unreachable.
constexpr int kSocketPeerUnreachable = 16;
// ChannelSocket::Receive on a socket that waits for readiness: nothing arrived within the wait.
constexpr int kSocketNoDatagram = 17;

// Socket kinds accepted by the facade.
constexpr int kStreamSocket = 0;
constexpr int kDatagramSocket = 1;

// Local IPv4 addresses in network byte order; filled by GetLocalAddresses.
constexpr int kMaxLocalAddresses = 32;
struct LocalAddressList {
    uint32_t addresses[kMaxLocalAddresses] = {};
    uint32_t count = 0;
};

// Dotted-decimal text to a host-order address without any name look-up. Text that does not
// parse gives 0; "255.255.255.255" gives 0xFFFFFFFF.
uint32_t ParseAddress(const char* text);

// Host-order address to dotted-decimal text (buffer of at least 16 bytes).
void FormatAddress(uint32_t address, char* buffer, int size);

class CSocketFacade {
public:
    CSocketFacade() = default;
    virtual ~CSocketFacade() = default;
    virtual CSocketFacade* Self() { return this; }

    int Connect(SocketHandle* handle, const char* peer, int port, int kind, int timeoutMs);
    int BlockClient(SocketHandle* handle, const char* peer, int port, int kind);
    int NoBlockClient(SocketHandle* handle, const char* peer, int port, int kind, int timeoutMs);
    int CreateServer(SocketHandle* handle, int localPort, int kind);
    int JoinMulticast(SocketHandle* handle, const uint32_t* localAddresses, uint32_t count,
                      const char* group, int localPort, int loop);
    int RejoinMulticast(SocketHandle handle, const char* group);
    int ResolveHost(const char* text, uint32_t* address);
    int GetLocalAddresses(uint32_t* addresses, uint32_t* count);
    int SetNonBlocking(SocketHandle handle, bool on);
    int SetKeepAlive(SocketHandle handle);
    int SetBufferSize(SocketHandle handle, bool receiveBuffer, int bytes);
    int Send(SocketHandle handle, const void* data, int length);
    int SendTo(SocketHandle handle, const void* data, int length, uint32_t address, int port,
               const uint32_t* interfaces, uint32_t interfaceCount);
    int SendToHost(SocketHandle handle, const void* data, int length, const char* peer, int port,
                   const uint32_t* interfaces, uint32_t interfaceCount);
    int RecvFrom(SocketHandle handle, void* buffer, int* length, uint32_t* address, int* port,
                 os::ReceiveMeta* meta = nullptr);
    // Asks for arrival times and the kernel drop counter with every datagram (where the system
    // reports them); returns whether the drop counter is reported.
    bool EnableReceiveReports(SocketHandle handle);
    // Wakes every thread blocked on the socket without releasing the handle.
    int Wake(SocketHandle handle);
    int Close(SocketHandle handle);
    int CloseMulticast(SocketHandle handle, const char* group);

private:
    int SendWhole(SocketHandle handle, const uint8_t* data, int length, uint32_t address, int port);
    void CloseQuietly(SocketHandle handle);
};

}  // namespace System

#endif
