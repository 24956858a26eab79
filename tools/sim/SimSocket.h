// The substitute server's own small UDP socket: bind, send, receive with a time-out, multicast
// sending. Independent of the client library; the one file with operating-system calls.
#ifndef MIRAV_SIM_SIM_SOCKET_H
#define MIRAV_SIM_SIM_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace mirav::sim {

// Dotted-decimal text to a host-order address; false when the text is not dotted decimal.
bool ParseIPv4(const std::string& text, uint32_t* address);
std::string FormatIPv4(uint32_t address);

// True where multicast may be sent: a network namespace without a default route (so nothing
// can leave the machine). Multicast is refused everywhere else.
bool MulticastAllowedHere();

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds to address:port (port 0: any free port). Returns false and leaves the socket closed
    // on failure; Error() then describes it.
    bool Open(uint32_t address, uint16_t port);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    uint16_t LocalPort() const;

    bool SendTo(uint32_t address, uint16_t port, const void* data, size_t length);
    // Waits up to timeoutMs for one datagram: its length, 0 on time-out, -1 on error.
    long Receive(void* buffer, size_t capacity, int timeoutMs, uint32_t* address, uint16_t* port);

    bool SetMulticastSender(uint32_t interfaceAddress);
    bool SetSendBuffer(int bytes);
    const std::string& Error() const { return error_; }

private:
    long long fd_ = -1;
    std::string error_;
};

}  // namespace mirav::sim

#endif
