// The socket of one client channel: owns one handle, remembers how plain sends are addressed and
// forwards to its own facade. Used without a lock by the channel's receive thread, by senders and
// by teardown; the handle is atomic so every user sees a close at once.
#ifndef MIRAV_PLATFORM_CHANNEL_SOCKET_H
#define MIRAV_PLATFORM_CHANNEL_SOCKET_H

#include <atomic>
#include <cstdint>

#include "platform/SocketFacade.h"

namespace System {

class ChannelSocket {
public:
    ChannelSocket() = default;
    ~ChannelSocket();
    ChannelSocket(const ChannelSocket&) = delete;
    ChannelSocket& operator=(const ChannelSocket&) = delete;

    // mode 1: datagram socket whose plain sends go to the default peer; 0: stream socket.
    int Attach(SocketHandle handle, uint32_t mode);
    bool IsClosed() const { return handle_.load(std::memory_order_acquire) == kInvalidSocket; }
    // Makes a blocked Receive return without releasing the descriptor (teardown closes it only
    // after the receiving thread has ended, so no thread reads a reused descriptor number).
    int Wake();
    int CloseSocket();
    int CloseLeavingGroup(const char* group);
    int Rejoin(const char* group);
    // meta (may be null) receives the arrival time and the kernel drop counter of the datagram.
    // Returns kSocketNoDatagram when it waited a short while for readiness and nothing came.
    int Receive(void* buffer, int* length, uint32_t* address, int* port,
                os::ReceiveMeta* meta = nullptr);
    // Whether receives report the kernel's drop counter (datagram sockets on Linux).
    bool ReportsKernelDrops() const { return dropsReported_.load(std::memory_order_acquire); }
    int SendToPeer(const void* data, int length, const char* peer, int port,
                   const uint32_t* interfaces, uint32_t interfaceCount);
    int SendDefault(const void* data, int length);
    int SetBufferSize(bool receiveBuffer, int bytes);

private:
    std::atomic<SocketHandle> handle_{kInvalidSocket};
    uint32_t mode_ = 0;
    std::atomic<bool> dropsReported_{false};
    // Set once a receive reported the peer's port unreachable where a later blocking receive
    // could hang: every receive then waits for readiness first (receive thread only).
    bool waitBeforeReceive_ = false;
    uint32_t peerAddress_ = 0;
    uint32_t peerPort_ = 0;
    CSocketFacade facade_;
};

}  // namespace System

#endif
