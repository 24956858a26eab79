#include "platform/ChannelSocket.h"

namespace System {
namespace {
// How long a receive that waits for readiness waits before it returns to its caller, which
// checks whether the channel is closing.
constexpr int kReadinessSliceMs = 100;
}  // namespace

ChannelSocket::~ChannelSocket() { handle_.store(kInvalidSocket); }

int ChannelSocket::Attach(SocketHandle handle, uint32_t mode) {
    mode_ = mode;
    waitBeforeReceive_ = false;
    dropsReported_.store(mode == 1 && facade_.EnableReceiveReports(handle),
                         std::memory_order_release);
    handle_.store(handle, std::memory_order_release);
    return kSocketOk;
}

int ChannelSocket::Wake() { return facade_.Wake(handle_.load(std::memory_order_acquire)); }

int ChannelSocket::CloseSocket() {
    const SocketHandle old = handle_.exchange(kInvalidSocket);
    if (old != kInvalidSocket) facade_.Close(old);
    return kSocketOk;
}

int ChannelSocket::CloseLeavingGroup(const char* group) {
    const SocketHandle old = handle_.exchange(kInvalidSocket);
    if (old != kInvalidSocket) facade_.CloseMulticast(old, group);
    return kSocketOk;
}

int ChannelSocket::Rejoin(const char* group) {
    const SocketHandle handle = handle_.load(std::memory_order_acquire);
    if (handle == kInvalidSocket) return kSocketFailed;
    return facade_.RejoinMulticast(handle, group);
}

int ChannelSocket::Receive(void* buffer, int* length, uint32_t* address, int* port,
                           os::ReceiveMeta* meta) {
    const SocketHandle handle = handle_.load(std::memory_order_acquire);
    if (handle == kInvalidSocket) return kSocketFailed;
    if (waitBeforeReceive_) {
        int ready = 0;
        if (os::WaitReadable(handle, kReadinessSliceMs, &ready) == 0 && ready == 0) {
            return kSocketNoDatagram;
        }
    }
    const int result = facade_.RecvFrom(handle, buffer, length, address, port, meta);
    if (result == kSocketPeerUnreachable && os::ReceiveMayHangAfterUnreachable()) {
        waitBeforeReceive_ = true;
    }
    // The system leaves the counter out while it is 0; where it reports drops at all, every
    // datagram carries a valid count.
    if (meta != nullptr) meta->dropCounterValid = dropsReported_.load(std::memory_order_acquire);
    return result;
}

int ChannelSocket::SendToPeer(const void* data, int length, const char* peer, int port,
                              const uint32_t* interfaces, uint32_t interfaceCount) {
    const SocketHandle handle = handle_.load(std::memory_order_acquire);
    if (handle == kInvalidSocket) return kSocketFailed;
    return facade_.SendToHost(handle, data, length, peer, port, interfaces, interfaceCount);
}

int ChannelSocket::SendDefault(const void* data, int length) {
    const SocketHandle handle = handle_.load(std::memory_order_acquire);
    if (handle == kInvalidSocket) return kSocketFailed;
    if (mode_ == 1) {
        return facade_.SendTo(handle, data, length, peerAddress_, static_cast<int>(peerPort_),
                              nullptr, 0);
    }
    return facade_.Send(handle, data, length);
}

int ChannelSocket::SetBufferSize(bool receiveBuffer, int bytes) {
    const SocketHandle handle = handle_.load(std::memory_order_acquire);
    if (handle == kInvalidSocket) return kSocketFailed;
    return facade_.SetBufferSize(handle, receiveBuffer, bytes);
}

}  // namespace System
