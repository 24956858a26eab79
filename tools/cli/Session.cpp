#include "Session.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "SimSocket.h"

namespace mirav::cli {
namespace {

// Reporting sites of the library's receive path whose lines mean a dropped datagram.
constexpr int kMalformedSites[] = {573, 583, 590, 621, 791};
constexpr char kRefusalMarker[] = "Server Version is:";

std::atomic<uint64_t> gMalformed{0};
std::atomic<bool> gEcho{false};
std::mutex gRefusalLock;
std::string gRefusedServerVersion;

void OnLibraryMessage(int, char* message) {
    if (message == nullptr) return;
    if (gEcho.load(std::memory_order_relaxed)) {
        const size_t length = std::strlen(message);
        std::fprintf(stderr, "library: %s%s", message,
                     length > 0 && message[length - 1] == '\n' ? "" : "\n");
    }
    int site = 0;
    if (std::sscanf(message, "[MiravSDKClient] %d", &site) == 1) {
        for (const int malformed : kMalformedSites) {
            if (site == malformed && std::strstr(message, "Failed") == nullptr) {
                gMalformed.fetch_add(1, std::memory_order_relaxed);
            }
        }
        return;
    }
    if (const char* version = std::strstr(message, kRefusalMarker)) {
        std::string text(version + std::strlen(kRefusalMarker));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        std::lock_guard<std::mutex> guard(gRefusalLock);
        gRefusedServerVersion = text;
    }
}

std::string RefusedServerVersion() {
    std::lock_guard<std::mutex> guard(gRefusalLock);
    return gRefusedServerVersion;
}

}  // namespace

void InstallMessageCapture(MiravSDKClient& client, bool echo) {
    gEcho.store(echo);
    client.SetMessageCallback(&OnLibraryMessage);
}

uint64_t MalformedDatagrams() { return gMalformed.load(std::memory_order_relaxed); }

std::string VersionText(const unsigned char version[4]) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

std::string LibraryVersionText() {
    unsigned char version[4] = {};
    Solvanta_GetVersion(version);
    return VersionText(version);
}

std::string InitializeFailure(int result, const std::string& server,
                              const std::string& serverVersion) {
    switch (result) {
        case 15:
            return "no reply from " + server + ":" + std::to_string(kCommandPort) + " within " +
                   std::to_string(kReplyWaitSeconds * 1000) +
                   " ms: is the server running and is UDP " + std::to_string(kCommandPort) +
                   " open?";
        case 10:
            return "server " +
                   (serverVersion.empty() ? std::string("(version unknown)") : serverVersion) +
                   " refused library version " + LibraryVersionText();
        case 4:
            return "cannot use the address " + server;
        case 1:
            return "connected to " + server + ", but cannot receive frames on port " +
                   std::to_string(kDataPort) +
                   " of this machine: is another client already running here?";
        case 6:
        case 7:
            return "cannot create sockets, threads or buffers for the client (result " +
                   std::to_string(result) + ")";
        default:
            return "cannot connect to " + server + " (result " + std::to_string(result) + ")";
    }
}

bool ConnectClient(MiravSDKClient& client, const std::string& server, std::string& error) {
    uint32_t address = 0;
    if (!sim::ResolveIPv4(server, &address)) {
        error = "cannot resolve " + server + ": not an IPv4 address or a known host name";
        return false;
    }
    std::string dotted = sim::FormatIPv4(address);
    std::vector<char> text(dotted.begin(), dotted.end());
    text.push_back('\0');
    const int result = client.Initialize(text.data());
    if (result == 0) return true;
    // The library's own sentence says best what happened.
    char sentence[512] = "";
    client.GetLastErrorText(sentence, sizeof(sentence));
    error =
        sentence[0] != '\0' ? sentence : InitializeFailure(result, server, RefusedServerVersion());
    return false;
}

}  // namespace mirav::cli
