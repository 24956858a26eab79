// record: speaks the connect handshake itself (the public interface hands out decoded frames,
// not datagrams) and writes every datagram from the server, with its arrival time, to a capture
// file that mirav-sim --replay plays back.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "CaptureFile.h"
#include "Commands.h"
#include "Options.h"
#include "RawProtocol.h"
#include "Session.h"
#include "StatusLine.h"

namespace mirav::cli {
namespace {

const char kRecordUsage[] =
    "usage: mirav-cli record SERVER FILE [--duration S]\n"
    "  Connects to the capture server and writes every datagram it sends (frames, replies,\n"
    "  notifications), exactly as received and with its arrival time, to FILE until the\n"
    "  duration ends or Ctrl-C. The server description and the data descriptions are asked for\n"
    "  at the start so that the file is complete. `mirav-sim --replay FILE` plays it back.\n"
    "  The format is described in docs/recording-format.md.\n"
    "  --duration S   stop after S seconds (default: until interrupted)\n";

constexpr int kConnectWaitMs = kReplyWaitSeconds * 1000;
constexpr auto kKeepAlivePeriod = std::chrono::seconds(5);
constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
constexpr uint32_t kServerDescriptionSequence = 2;
constexpr uint32_t kDescriptionsSequence = 3;
constexpr uint32_t kKeepAliveSequence = 0;

std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes >= 1024 * 1024) {
        std::snprintf(text, sizeof(text), "%.1f MB",
                      static_cast<double>(bytes) / (1024.0 * 1024.0));
    } else {
        std::snprintf(text, sizeof(text), "%.1f kB", static_cast<double>(bytes) / 1024.0);
    }
    return text;
}

int64_t WallClockMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int RunRecord(int argc, char** argv, int first) {
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {{"--duration", true}}, 2, args, error)) {
        return UsageError("record", error, kRecordUsage);
    }
    if (args.help) {
        std::printf("%s", kRecordUsage);
        return kExitOk;
    }
    double duration = 0;
    if (args.Has("--duration") && !ParsePositiveNumber(args.Value("--duration"), &duration)) {
        return UsageError("record", "--duration needs a number of seconds above 0", kRecordUsage);
    }
    const std::string server = args.positionals[0];
    const std::string path = args.positionals[1];
    uint32_t address = 0;
    if (!sim::ResolveIPv4(server, &address)) {
        return Failure("record",
                       "cannot resolve " + server + ": not an IPv4 address or a known host name");
    }

    sim::UdpSocket command, data;
    if (!OpenLocal(command, 0, false, error)) return Failure("record", error);
    ConnectReply reply;
    std::vector<uint8_t> replyDatagram;
    if (!ExchangeConnect(command, address, kConnectWaitMs, &reply, &replyDatagram, error)) {
        return Failure("record", InitializeFailure(15, server, ""));
    }
    if (!reply.accepted) {
        return Failure("record", InitializeFailure(10, server, VersionText(reply.version)));
    }
    // Several receivers may share the port of a multicast stream; a unicast stream has one.
    if (!data.Open(0, kDataPort, reply.multicast)) {
        return Failure("record", InitializeFailure(1, server, ""));
    }
    data.SetReceiveBuffer(kReceiveBufferBytes);
    if (reply.multicast && !data.JoinGroup(kMulticastGroup)) return Failure("record", data.Error());

    capture::CaptureHeader header;
    header.serverAddress = address;
    header.startMicros = WallClockMicros();
    header.multicast = reply.multicast;
    capture::CaptureWriter writer;
    if (!writer.Open(path, header, error)) return Failure("record", error);
    writer.Write(0, capture::kCommandChannel, replyDatagram.data(), replyDatagram.size());

    const auto send = [&](uint8_t type, uint32_t sequence) {
        SendCommand(command, address, type, sequence);
    };
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextKeepAlive = start;
    send(sim::kWireServerDescription, kServerDescriptionSequence);
    send(sim::kWireDescriptions, kDescriptionsSequence);

    StatusLine status(stdout, true);
    std::vector<uint8_t> buffer(65536);
    uint64_t frames = 0, datagrams = 1, framesAtLastStatus = 0;
    auto lastStatus = start;
    bool receiveFailed = false;
    while (!gStopRequested.load() &&
           (duration <= 0 || Clock::now() - start < std::chrono::duration<double>(duration))) {
        const auto now = Clock::now();
        if (!reply.multicast && now >= nextKeepAlive) {
            send(sim::kWireKeepAlive, kKeepAliveSequence);
            nextKeepAlive = now + kKeepAlivePeriod;
        }
        int which = 0;
        uint32_t sender = 0;
        const long length = sim::UdpSocket::ReceiveEither(command, data, buffer.data(),
                                                          buffer.size(), 50, &which, &sender);
        if (length < 0) {
            receiveFailed = true;
            break;
        }
        if (length > 0 && sender == address) {
            const int64_t micros =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            const uint8_t channel = which == 0 ? capture::kCommandChannel : capture::kDataChannel;
            if (!writer.Write(micros, channel, buffer.data(), static_cast<size_t>(length))) {
                error = "cannot write " + path;
                break;
            }
            ++datagrams;
            sim::WireHeader raw;
            if (channel == capture::kDataChannel &&
                sim::ParseWireHeader(buffer.data(), static_cast<size_t>(length), &raw) &&
                raw.messageType == sim::kWireFrame && raw.fragmentIndex == 0) {
                ++frames;
            }
        }
        if (status.Due()) {
            const auto at = Clock::now();
            const double seconds = std::chrono::duration<double>(at - lastStatus).count();
            char text[160];
            std::snprintf(
                text, sizeof(text), "recording %s: %llu frames | %.1f fps | %s", path.c_str(),
                static_cast<unsigned long long>(frames),
                seconds > 0 ? static_cast<double>(frames - framesAtLastStatus) / seconds : 0.0,
                SizeText(writer.BytesWritten()).c_str());
            status.Show(text);
            lastStatus = at;
            framesAtLastStatus = frames;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    status.Finish();
    std::string closeError;
    if (!writer.Close(closeError)) return Failure("record", closeError);
    if (!error.empty()) return Failure("record", error);
    if (receiveFailed) return Failure("record", "receiving failed; the recording so far is kept");
    std::printf("recorded %llu datagrams (%llu frames) in %.1f s to %s (%s)\n",
                static_cast<unsigned long long>(datagrams), static_cast<unsigned long long>(frames),
                elapsed, path.c_str(), SizeText(writer.BytesWritten()).c_str());
    if (frames == 0) {
        return Failure("record", "no frames arrived from " + server +
                                     ": is the server streaming, and does the firewall let UDP "
                                     "port 5231 through?");
    }
    return kExitOk;
}

}  // namespace mirav::cli
