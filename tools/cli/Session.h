// Connecting a library client for a command: the library's diagnostic lines are captured (for
// the server's version in a refusal and for counting malformed datagrams) and every failure of
// Initialize becomes a one-line reason a user can act on.
#ifndef MIRAV_CLI_SESSION_H
#define MIRAV_CLI_SESSION_H

#include <mirav/Mirav.h>

#include <cstdint>
#include <string>

namespace mirav::cli {

constexpr int kCommandPort = 5230;
constexpr int kDataPort = 5231;
constexpr int kReplyWaitSeconds = 5;

// Routes the library's messages to the capture (process-wide, like the library's callback);
// with echo, each message is also written to standard error.
void InstallMessageCapture(MiravSDKClient& client, bool echo = false);
// Datagrams the library dropped as malformed (short, wrong length or magic, fragment out of
// order, unknown message type) since the capture was installed.
uint64_t MalformedDatagrams();

std::string VersionText(const unsigned char version[4]);
std::string LibraryVersionText();

// Resolves the server name and initialises the client. On failure returns false with the reason.
bool ConnectClient(MiravSDKClient& client, const std::string& server, std::string& error);

// The reason for an Initialize result other than 0 (serverVersion: from a refusal, may be empty).
std::string InitializeFailure(int result, const std::string& server,
                              const std::string& serverVersion);

}  // namespace mirav::cli

#endif
