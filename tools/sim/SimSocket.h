// The tools' own small UDP socket (mirav-sim and mirav-cli): bind, send, receive with a time-out,
// multicast sending and joining, name resolution and a console query. Independent of the client
// library; the one file of the tools with operating-system calls.
#ifndef MIRAV_SIM_SIM_SOCKET_H
#define MIRAV_SIM_SIM_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace mirav::sim {

// Dotted-decimal text to a host-order address; false when the text is not dotted decimal.
bool ParseIPv4(const std::string& text, uint32_t* address);
// Resolves a dotted address or a host name to a host-order IPv4 address.
bool ResolveIPv4(const std::string& name, uint32_t* address);
std::string FormatIPv4(uint32_t address);

// True where multicast may be sent: a network namespace without a default route (so nothing
// can leave the machine). Multicast is refused everywhere else.
bool MulticastAllowedHere();

// True when the stream is an interactive terminal (status lines are then redrawn in place).
bool IsTerminal(std::FILE* stream);

class UdpSocket {
public:
    // The step at which Open failed, with the system's error number, for callers that word the
    // failure themselves.
    enum class OpenFailure { kNone, kCreate, kBind };

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds to address:port (port 0: any free port). With reuseAddress several sockets may share
    // the port (receivers of one multicast stream). Returns false and leaves the socket closed
    // on failure; Error() then describes it.
    bool Open(uint32_t address, uint16_t port, bool reuseAddress = false);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    uint16_t LocalPort() const;

    bool SendTo(uint32_t address, uint16_t port, const void* data, size_t length);
    // Waits up to timeoutMs for one datagram: its length, 0 on time-out, -1 on error.
    long Receive(void* buffer, size_t capacity, int timeoutMs, uint32_t* address, uint16_t* port);
    // Waits up to timeoutMs for a datagram on either socket. Returns the length received and sets
    // *which to 0 (first) or 1 (second); 0 on time-out or interruption, -1 on error.
    static long ReceiveEither(UdpSocket& first, UdpSocket& second, void* buffer, size_t capacity,
                              int timeoutMs, int* which, uint32_t* sender);

    bool SetMulticastSender(uint32_t interfaceAddress);
    // Joins the multicast group on every interface the system picks and on loopback.
    bool JoinGroup(uint32_t group);
    bool SetSendBuffer(int bytes);
    bool SetReceiveBuffer(int bytes);
    // The receive buffer the system actually grants, in bytes (Linux reports twice the usable
    // size; this gives the usable size); -1 when unknown.
    int ReceiveBufferGranted() const;
    // Fixes the peer: receives then report the peer host's "port unreachable" as an error
    // (LastSystemError() after Receive returned -1 tells which).
    bool ConnectTo(uint32_t address, uint16_t port);
    // True when the last Receive error was the peer host's "port unreachable".
    bool PeerUnreachable() const;
    // The local address the system would send from towards address:port (route and interface
    // look-up, nothing is sent); false with systemError when there is no route.
    static bool SourceFor(uint32_t address, uint16_t port, uint32_t* source, int* systemError);

    const std::string& Error() const { return error_; }
    OpenFailure LastOpenFailure() const { return openFailure_; }
    int LastSystemError() const { return systemError_; }

private:
    bool Fail(OpenFailure failure, int systemError, std::string text);

    long long fd_ = -1;
    std::string error_;
    OpenFailure openFailure_ = OpenFailure::kNone;
    int systemError_ = 0;
};

}  // namespace mirav::sim

#endif
