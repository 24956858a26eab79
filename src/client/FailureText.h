// The sentences GetLastErrorText gives: one per kind of failure, written for a person, naming
// the address, port or version involved and what to check.
#ifndef MIRAV_CLIENT_FAILURE_TEXT_H
#define MIRAV_CLIENT_FAILURE_TEXT_H

#include <cstdint>
#include <string>

namespace mirav {

std::string AddressText(uint32_t address);
std::string VersionText(const uint8_t version[4]);

std::string NoReplyText(const std::string& server, uint32_t port, int32_t waitMs);
std::string UnreachableText(const std::string& server, uint32_t port);
std::string DataPortInUseText(uint32_t port);
std::string MulticastJoinText(const char* group, uint32_t port);
std::string RefusedText(const uint8_t serverVersion[4]);
std::string StalledText(int stallMs, uint32_t dataPort, bool multicast);
std::string UnusableAddressText(const char* server);
std::string CommandChannelText(const char* server, uint32_t port, int result);
std::string AbortedText();
std::string NotConnectedText();
std::string InsideCallbackText();

}  // namespace mirav

#endif
