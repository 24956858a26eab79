// The command-line tool's own UDP socket and console queries, for the record command (which
// speaks the protocol itself to see every datagram). The one file with operating-system calls.
#ifndef MIRAV_CLI_CLI_SOCKET_H
#define MIRAV_CLI_CLI_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace mirav::cli {

// Resolves a dotted address or a host name to a host-order IPv4 address.
bool ResolveIPv4(const std::string& name, uint32_t* address);
std::string FormatIPv4(uint32_t address);

// True when the stream is an interactive terminal (status lines are then redrawn in place).
bool IsTerminal(std::FILE* stream);

class CliSocket {
public:
    CliSocket() = default;
    ~CliSocket();
    CliSocket(const CliSocket&) = delete;
    CliSocket& operator=(const CliSocket&) = delete;

    // Binds to port on every local interface (0: any free port); address reuse is allowed so
    // that several receivers of a multicast stream can share the port.
    bool Open(uint16_t port, bool reuseAddress);
    void Close();
    bool SendTo(uint32_t address, uint16_t port, const void* data, size_t length);
    // Joins the multicast group on every interface the system picks and on loopback.
    bool JoinGroup(uint32_t group);
    bool SetReceiveBuffer(int bytes);
    const std::string& Error() const { return error_; }

    // Waits up to timeoutMs for a datagram on either socket. Returns the length received and sets
    // *which to 0 (first) or 1 (second); 0 on time-out, -1 on error.
    static long ReceiveEither(CliSocket& first, CliSocket& second, void* buffer, size_t capacity,
                              int timeoutMs, int* which, uint32_t* sender);

private:
    long long fd_ = -1;
    std::string error_;
};

}  // namespace mirav::cli

#endif
