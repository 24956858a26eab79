// info and describe: what the server says about itself and about the data it streams.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "Descriptions.h"
#include "Options.h"
#include "RawProtocol.h"
#include "Session.h"

namespace mirav::cli {
namespace {

const char kInfoUsage[] =
    "usage: mirav-cli info SERVER [--verbose]\n"
    "  Connects to the capture server and prints its description, the server's and the\n"
    "  library's protocol versions, the transport mode (unicast or multicast) and how many\n"
    "  items the server describes.\n"
    "  --verbose   also print the library's diagnostic messages\n";

const char kDescribeUsage[] =
    "usage: mirav-cli describe SERVER [--json] [--verbose]\n"
    "  Prints the server's data descriptions (marker sets, rigid bodies, skeletons with their\n"
    "  bone hierarchy, force plates) as a tree.\n"
    "  --json      one JSON object instead of the tree\n"
    "  --verbose   also print the library's diagnostic messages\n";

constexpr int kProbeTimeoutMs = 1000;

// The public interface does not say how frames travel, so ask with a connect request of our own.
std::string TransportMode(const std::string& server) {
    uint32_t address = 0;
    sim::UdpSocket socket;
    ConnectReply reply;
    std::string error;
    if (!sim::ResolveIPv4(server, &address) || !socket.Open(0, 0) ||
        !ExchangeConnect(socket, address, kProbeTimeoutMs, &reply, nullptr, error)) {
        return "unknown";
    }
    return reply.multicast ? "multicast, frames to group 239.239.239.52 port 5231"
                           : "unicast, frames to port 5231 of this machine";
}

}  // namespace

int RunInfo(int argc, char** argv, int first) {
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {{"--verbose", false}}, 1, args, error)) {
        return UsageError("info", error, kInfoUsage);
    }
    if (args.help) {
        std::printf("%s", kInfoUsage);
        return kExitOk;
    }
    const std::string server = args.positionals[0];
    MiravSDKClient client;
    InstallMessageCapture(client, args.Has("--verbose"));
    if (!ConnectClient(client, server, error)) return Failure("info", error);
    sServerDescription description{};
    const int result = client.GetServerDescription(&description);
    sDataDescriptions* descriptions = nullptr;
    const int described = client.GetDataDescriptions(&descriptions);
    client.Uninitialize();
    if (result != 0) {
        if (descriptions != nullptr) client.FreeDataDescriptions(descriptions);
        return Failure("info", "the server at " + server + " did not send its description");
    }
    description.hostComputerName[MAX_NAMELENGTH - 1] = '\0';
    description.hostApp[MAX_NAMELENGTH - 1] = '\0';
    const uint8_t* a = description.hostComputerAddress;
    std::printf("server        %s\n", server.c_str());
    std::printf("application   %s %s\n", description.hostApp,
                VersionText(description.hostAppVersion).c_str());
    std::printf("host          %s (%u.%u.%u.%u)\n",
                description.hostPresent ? description.hostComputerName : "(not given)", a[0], a[1],
                a[2], a[3]);
    std::printf("server protocol version   %s\n", VersionText(description.sdkVersion).c_str());
    std::printf("library protocol version  %s\n", LibraryVersionText().c_str());
    std::printf("transport     %s\n", TransportMode(server).c_str());
    if (described == 0 && descriptions != nullptr) {
        const NameIndex names = NameIndex::From(descriptions);
        std::printf("describes     %d items: rigid bodies %zu, skeletons %zu, force plates %d\n",
                    descriptions->descriptionCount, names.rigidBodies.size(),
                    names.skeletons.size(), names.forcePlates);
        client.FreeDataDescriptions(descriptions);
    }
    return kExitOk;
}

int RunDescribe(int argc, char** argv, int first) {
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {{"--json", false}, {"--verbose", false}}, 1, args, error)) {
        return UsageError("describe", error, kDescribeUsage);
    }
    if (args.help) {
        std::printf("%s", kDescribeUsage);
        return kExitOk;
    }
    const std::string server = args.positionals[0];
    MiravSDKClient client;
    InstallMessageCapture(client, args.Has("--verbose"));
    if (!ConnectClient(client, server, error)) return Failure("describe", error);
    sDataDescriptions* descriptions = nullptr;
    const int result = client.GetDataDescriptions(&descriptions);
    client.Uninitialize();
    if (result != 0 || descriptions == nullptr) {
        return Failure("describe",
                       "no reply to the description request from " + server + " within 5 s");
    }
    if (args.Has("--json")) {
        std::printf("%s\n", DescriptionsJson(*descriptions).c_str());
    } else {
        PrintDescriptionTree(*descriptions, stdout);
    }
    client.FreeDataDescriptions(descriptions);
    return kExitOk;
}

}  // namespace mirav::cli
