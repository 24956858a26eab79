// doctor: checks, one after the other, what a stream from the server needs on this machine and
// on the network between, and says for each what to do when it fails.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Commands.h"
#include "Json.h"
#include "Options.h"
#include "RawProtocol.h"
#include "Session.h"
#include "SimSocket.h"

namespace mirav::cli {
namespace {

const char kDoctorUsage[] =
    "usage: mirav-cli doctor SERVER [--json]\n"
    "  Checks what a stream from SERVER needs, one line per check with its verdict and what to\n"
    "  do: name resolution, the server's answer on UDP 5230, its version, whether UDP 5231 can\n"
    "  be bound here, whether frames arrive within 3 s (and, for multicast, the group's route\n"
    "  and interface), the receive buffer the system grants against the 1 MiB the library asks\n"
    "  for, and datagrams the system dropped. Exit code 0 only when every check passes\n"
    "  (advice marked \"warn\" does not fail).\n"
    "  --json  one JSON object with every check instead of lines\n";

constexpr int kReplyWaitMs = 3000;
constexpr int kFramesWaitMs = 3000;
constexpr int kAskedReceiveBuffer = 1 << 20;

enum class Verdict { kPass, kWarn, kFail, kSkip };

struct Check {
    explicit Check(std::string checkName) : name(std::move(checkName)) {}
    std::string name;
    Verdict verdict = Verdict::kSkip;
    std::string detail;
    std::string advice;  // what to do; empty when nothing
};

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::kPass:
            return "pass";
        case Verdict::kWarn:
            return "warn";
        case Verdict::kFail:
            return "FAIL";
        case Verdict::kSkip:
            return "skip";
    }
    return "skip";
}

// The system's counters of datagrams it received but dropped (full receive buffers, bad
// checksums); -1 where the system does not publish them.
long long KernelDrops() {
    std::ifstream snmp("/proc/net/snmp");
    std::string header, values;
    while (std::getline(snmp, header)) {
        if (header.rfind("Udp:", 0) != 0 || !std::getline(snmp, values)) continue;
        std::istringstream names(header), numbers(values);
        std::string name, number;
        long long drops = 0;
        while (names >> name && numbers >> number) {
            if (name == "InErrors" || name == "RcvbufErrors") drops += std::atoll(number.c_str());
        }
        return drops;
    }
    return -1;
}

struct Probe {
    std::string server;
    uint32_t address = 0;
    bool resolved = false;
    bool answered = false;
    ConnectReply reply;
};

Check ResolveCheck(Probe& probe) {
    Check check("name resolution");
    probe.resolved = sim::ResolveIPv4(probe.server, &probe.address);
    if (!probe.resolved) {
        check.verdict = Verdict::kFail;
        check.detail = "cannot resolve " + probe.server;
        check.advice = "check the name, or give the server's IPv4 address";
        return check;
    }
    check.verdict = Verdict::kPass;
    check.detail = probe.server + " is " + sim::FormatIPv4(probe.address);
    return check;
}

Check CommandPortCheck(Probe& probe) {
    Check check("command port");
    if (!probe.resolved) return check;
    const std::string where = sim::FormatIPv4(probe.address);
    sim::UdpSocket socket;
    std::string error;
    if (!OpenLocal(socket, 0, false, error) || !socket.ConnectTo(probe.address, kCommandPort)) {
        check.verdict = Verdict::kFail;
        check.detail = "cannot open a socket towards " + where + ": " + error;
        check.advice = "check the network configuration of this machine";
        return check;
    }
    const auto start = std::chrono::steady_clock::now();
    probe.answered =
        ExchangeConnect(socket, probe.address, kReplyWaitMs, &probe.reply, nullptr, error);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    if (probe.answered) {
        check.verdict = Verdict::kPass;
        check.detail = "UDP " + std::to_string(kCommandPort) + " on " + where + " answered in " +
                       std::to_string(took) + " ms";
    } else if (socket.PeerUnreachable()) {
        check.verdict = Verdict::kFail;
        check.detail = "port " + std::to_string(kCommandPort) + " unreachable on " + where +
                       ": nothing is listening";
        check.advice = "start the capture server, or check that it streams on this address";
    } else {
        check.verdict = Verdict::kFail;
        check.detail = "no reply from " + where + ":" + std::to_string(kCommandPort) + " within " +
                       std::to_string(kReplyWaitMs) + " ms";
        check.advice = "is the server running and is UDP " + std::to_string(kCommandPort) +
                       " open in the firewalls on both machines?";
    }
    return check;
}

Check VersionCheck(const Probe& probe) {
    Check check("version");
    if (!probe.answered) return check;
    const std::string server = VersionText(probe.reply.version);
    if (!probe.reply.accepted) {
        check.verdict = Verdict::kFail;
        check.detail = "server " + server + " refused library version " + LibraryVersionText();
        check.advice = "use a client library version this server supports";
        return check;
    }
    check.verdict = Verdict::kPass;
    check.detail =
        "server " + server + " accepts library version " + LibraryVersionText() +
        (probe.reply.multicast ? "; frames come by multicast" : "; frames come by unicast");
    return check;
}

Check DataPortCheck(const Probe& probe) {
    Check check("data port");
    sim::UdpSocket socket;
    std::string error;
    // Multicast receivers share the port; a unicast receiver needs it for itself.
    const bool shared = probe.answered && probe.reply.multicast;
    if (!OpenLocal(socket, kDataPort, shared, error)) {
        check.verdict = Verdict::kFail;
        check.detail = "data port " + std::to_string(kDataPort) +
                       " is already in use by another program on this machine";
        check.advice =
            "close the other client (or program) that holds UDP " + std::to_string(kDataPort);
        return check;
    }
    check.verdict = Verdict::kPass;
    check.detail = "UDP " + std::to_string(kDataPort) + " can be bound here";
    return check;
}

Check MulticastRouteCheck(const Probe& probe) {
    Check check("multicast route");
    if (!probe.answered) return check;
    if (!probe.reply.multicast) {
        check.detail = "not needed: frames come by unicast";
        return check;
    }
    uint32_t source = 0;
    int systemError = 0;
    if (!sim::UdpSocket::SourceFor(kMulticastGroup, kDataPort, &source, &systemError)) {
        check.verdict = Verdict::kFail;
        check.detail = "no route for the multicast group " + sim::FormatIPv4(kMulticastGroup) +
                       " (system error " + std::to_string(systemError) + ")";
        check.advice = "add a route for 224.0.0.0/4 on the interface towards the server";
        return check;
    }
    check.verdict = Verdict::kPass;
    check.detail = "group " + sim::FormatIPv4(kMulticastGroup) + " routed via the interface " +
                   sim::FormatIPv4(source);
    return check;
}

void OnDoctorFrame(sFrameOfMocapData*, void* context) {
    if (context != nullptr) static_cast<std::atomic<int>*>(context)->fetch_add(1);
}

// Frames through the library itself, with the drops the system counted meanwhile.
void FrameChecks(const Probe& probe, std::vector<Check>& checks) {
    Check frames("frames");
    Check drops("kernel drops");
    const long long dropsBefore = KernelDrops();
    if (probe.answered && probe.reply.accepted) {
        std::atomic<int> count{0};
        MiravSDKClient client;
        InstallMessageCapture(client);
        client.SetRequestTimeout(kReplyWaitMs);
        client.SetDataCallback(&OnDoctorFrame, &count);
        const std::string dotted = sim::FormatIPv4(probe.address);
        std::vector<char> address(dotted.begin(), dotted.end());
        address.push_back('\0');
        const int result = client.Initialize(address.data());
        if (result != 0) {
            char text[256] = "";
            client.GetLastErrorText(text, sizeof(text));
            frames.verdict = Verdict::kFail;
            frames.detail = text;
            frames.advice = "fix the checks above first";
        } else {
            // The server may wait for the descriptions request before it streams.
            sDataDescriptions* descriptions = nullptr;
            if (client.GetDataDescriptions(&descriptions) == 0) {
                client.FreeDataDescriptions(descriptions);
            }
            const auto end =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kFramesWaitMs);
            while (count.load() == 0 && std::chrono::steady_clock::now() < end &&
                   !gStopRequested.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            const int first = count.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(first > 0 ? 500 : 0));
            const std::string mode = probe.reply.multicast ? "multicast" : "unicast";
            if (first > 0) {
                frames.verdict = Verdict::kPass;
                frames.detail = std::to_string(count.load()) + " frames arrived (" + mode + ")";
            } else {
                frames.verdict = Verdict::kFail;
                frames.detail = "connected, but no frames for 3 s (" + mode + ")";
                frames.advice = probe.reply.multicast
                                    ? "check the firewall for UDP 5231, the multicast route and "
                                      "that the switch forwards the group"
                                    : "check the firewall for UDP 5231 and that the server "
                                      "streams to this machine";
            }
            client.SetDataCallback(nullptr, nullptr);
            client.Uninitialize();
        }
    }
    const long long dropsAfter = KernelDrops();
    if (dropsBefore >= 0 && dropsAfter >= 0) {
        const long long during = dropsAfter - dropsBefore;
        drops.verdict = during == 0 ? Verdict::kPass : Verdict::kWarn;
        drops.detail = std::to_string(during) + " UDP datagrams dropped by the system during the " +
                       "check (" + std::to_string(dropsAfter) + " since start-up)";
        if (during > 0) {
            drops.advice =
                "the receive buffers overflowed: raise the system's receive buffer "
                "limit or reduce the load on this machine";
        }
    } else {
        drops.detail = "this system does not publish its drop counters";
    }
    checks.push_back(frames);
    checks.push_back(drops);
}

Check ReceiveBufferCheck() {
    Check check("receive buffer");
    sim::UdpSocket socket;
    std::string error;
    if (!OpenLocal(socket, 0, false, error)) {
        check.detail = "cannot open a socket: " + error;
        return check;
    }
    socket.SetReceiveBuffer(kAskedReceiveBuffer);
    const int granted = socket.ReceiveBufferGranted();
    if (granted < 0) {
        check.detail = "the system does not tell the size it grants";
        return check;
    }
    const std::string sizes = std::to_string(granted / 1024) + " KiB granted of the " +
                              std::to_string(kAskedReceiveBuffer / 1024) + " KiB asked for";
    if (granted >= kAskedReceiveBuffer) {
        check.verdict = Verdict::kPass;
        check.detail = sizes;
    } else {
        check.verdict = Verdict::kWarn;
        check.detail = sizes;
        check.advice =
            "large frames may be dropped in bursts; raise the limit (Linux: sysctl "
            "net.core.rmem_max=2097152)";
    }
    return check;
}

void PrintLines(const std::vector<Check>& checks) {
    for (const Check& check : checks) {
        std::printf("%-4s  %-16s %s%s%s\n", VerdictText(check.verdict), check.name.c_str(),
                    check.detail.c_str(), check.advice.empty() ? "" : " -> ", check.advice.c_str());
    }
}

void PrintJson(const std::string& server, const std::vector<Check>& checks, bool passed) {
    JsonWriter json;
    json.BeginObject().Key("server").String(server).Key("passed").Bool(passed);
    json.Key("checks").BeginArray();
    for (const Check& check : checks) {
        std::string verdict = VerdictText(check.verdict);
        if (check.verdict == Verdict::kFail) verdict = "fail";
        json.BeginObject().Key("name").String(check.name).Key("verdict").String(verdict);
        json.Key("detail").String(check.detail).Key("advice").String(check.advice).EndObject();
    }
    json.EndArray().EndObject();
    std::printf("%s\n", json.Text().c_str());
}

}  // namespace

int RunDoctor(int argc, char** argv, int first) {
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {{"--json", false}}, 1, args, error)) {
        return UsageError("doctor", error, kDoctorUsage);
    }
    if (args.help) {
        std::printf("%s", kDoctorUsage);
        return kExitOk;
    }
    Probe probe;
    probe.server = args.positionals[0];
    std::vector<Check> checks;
    checks.push_back(ResolveCheck(probe));
    checks.push_back(CommandPortCheck(probe));
    checks.push_back(VersionCheck(probe));
    checks.push_back(DataPortCheck(probe));
    checks.push_back(MulticastRouteCheck(probe));
    FrameChecks(probe, checks);
    checks.push_back(ReceiveBufferCheck());
    bool passed = true;
    for (Check& check : checks) {
        if (check.verdict == Verdict::kSkip && check.detail.empty()) {
            check.detail = "not checked: an earlier check failed";
        }
        // A check that could not run because an earlier one failed fails too.
        if (check.verdict == Verdict::kFail) passed = false;
    }
    if (!probe.answered) passed = false;
    if (args.Has("--json")) {
        PrintJson(probe.server, checks, passed);
    } else {
        PrintLines(checks);
        std::printf("%s\n", passed ? "all checks passed" : "some checks failed");
    }
    std::fflush(stdout);
    return passed ? kExitOk : kExitFailure;
}

}  // namespace mirav::cli
