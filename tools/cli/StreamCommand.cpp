// stream: live frames from the server, as a status line or as one JSON object per frame, and a
// summary of what arrived.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "Commands.h"
#include "Descriptions.h"
#include "FrameQueue.h"
#include "Json.h"
#include "Options.h"
#include "Session.h"
#include "SimSocket.h"
#include "StatusLine.h"

namespace mirav::cli {
namespace {

const char kStreamUsage[] =
    "usage: mirav-cli stream SERVER [--duration S] [--frames N] [--json [--stats]]\n"
    "                              [--rigid-body NAME]...\n"
    "  Streams live frames and shows a status line (frame rate, frame number, latency, counts,\n"
    "  force plates, losses) until the duration ends or Ctrl-C; then prints a summary: frames\n"
    "  received, the library's stream statistics (frames missing, messages abandoned, kernel\n"
    "  drops, malformed datagrams ...) and frames dropped because the output could not keep up.\n"
    "  --duration S       stop after S seconds (default: until interrupted)\n"
    "  --frames N         stop after N frames\n"
    "  --json             one JSON object per frame on standard output (status and summary go\n"
    "                     to standard error)\n"
    "  --stats            with --json: the library's stream statistics as a last JSON object\n"
    "  --rigid-body NAME  only this rigid body (repeatable); the status line shows its position\n"
    "  --reconnect        follow the server when it goes away and comes back (retries the\n"
    "                     connection every second); the status line shows the state\n"
    "  --verbose          also print the library's diagnostic messages\n";

// About ten seconds of frames at 100 Hz wait for a slow reader before the oldest are dropped.
constexpr size_t kQueueCapacity = 1024;
constexpr int kForcePlateWaitMs = 3000;

struct Counters {
    uint64_t received = 0;
    int32_t lastFrame = 0;
    float latency = 0;
    int rigidBodies = 0, skeletons = 0, markers = 0;
    std::vector<float> plateFz;
    Pose chosen;  // the first chosen rigid body
    bool chosenSeen = false;
};

struct StreamState {
    StreamState(bool json, MiravSDKClient* client) : json(json), client(client) {}
    const bool json;
    MiravSDKClient* const client;
    uint64_t frameLimit = 0;  // 0: no limit
    std::set<int32_t> onlyBodies;
    int32_t firstChosen = 0;  // the rigid body the status line follows
    FrameQueue queue{kQueueCapacity};
    // Only the receive thread touches the plates: the force plate callback runs just before the
    // data callback of the same frame.
    sForcePlates plates{};
    bool havePlates = false;

    std::mutex lock;  // guards counters
    Counters counters;
    // Connection states reported by the state callback and not shown yet (guarded by lock):
    // each gets a status line, so a short Stalled before Reconnecting is seen too.
    std::vector<int> newStates;
    int connection = MiravConnectionState_Connecting;
};

const char* StateName(int state) {
    switch (state) {
        case MiravConnectionState_Disconnected:
            return "disconnected";
        case MiravConnectionState_Connecting:
            return "connecting";
        case MiravConnectionState_Streaming:
            return "streaming";
        case MiravConnectionState_Stalled:
            return "stalled";
        case MiravConnectionState_Reconnecting:
            return "reconnecting";
        default:
            return "unknown";
    }
}

void OnConnectionState(int state, int, void* context) {
    auto* stream = static_cast<StreamState*>(context);
    if (stream == nullptr) return;
    std::lock_guard<std::mutex> guard(stream->lock);
    stream->newStates.push_back(state);
}

// The states reported since the last call, oldest first; the current one when none.
std::vector<int> TakeStates(StreamState& state) {
    std::lock_guard<std::mutex> guard(state.lock);
    std::vector<int> states;
    states.swap(state.newStates);
    if (!states.empty()) state.connection = states.back();
    return states;
}

void OnForcePlates(sForcePlates* plates, void* context) {
    auto* state = static_cast<StreamState*>(context);
    if (state == nullptr || plates == nullptr) return;
    state->plates = *plates;
    state->havePlates = true;
}

void OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* state = static_cast<StreamState*>(context);
    if (state == nullptr || frame == nullptr) return;
    const sForcePlates* plates =
        state->havePlates && state->plates.frameNumber == frame->frameNumber ? &state->plates
                                                                             : nullptr;
    std::set<int32_t> onlyBodies;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        onlyBodies = state->onlyBodies;
        const int32_t firstChosen = state->firstChosen;
        Counters& c = state->counters;
        if (state->frameLimit != 0 && c.received >= state->frameLimit) return;
        ++c.received;
        c.lastFrame = frame->frameNumber;
        c.latency = frame->latency;
        c.rigidBodies = frame->rigidBodyCount;
        c.skeletons = frame->skeletonCount;
        c.markers = frame->labeledMarkerCount;
        c.plateFz.clear();
        for (int p = 0; plates != nullptr && p < std::min(plates->forcePlateCount, MAX_FORCEPLATES);
             ++p) {
            c.plateFz.push_back(plates->forcePlates[p].fz);
        }
        for (int i = 0; i < std::min(frame->rigidBodyCount, MAX_RIGIDBODIES); ++i) {
            const sRigidBodyData& body = frame->rigidBodies[i];
            if (!onlyBodies.empty() && body.id == firstChosen) {
                c.chosen.x = body.x, c.chosen.y = body.y, c.chosen.z = body.z;
                c.chosenSeen = true;
            }
        }
    }
    if (!state->json) return;
    FrameCopy copy = FrameCopy::From(*frame, plates, onlyBodies);
    copy.hostTiming.size = sizeof(copy.hostTiming);
    copy.hasHostTiming = state->client->GetFrameHostTiming(frame, &copy.hostTiming) == 0;
    state->queue.Push(std::move(copy));
}

void WritePose(JsonWriter& json, const Pose& pose, const std::string& name) {
    json.BeginObject().Key("id").Int(pose.id);
    if (!name.empty()) json.Key("name").String(name);
    json.Key("position").Point(pose.x, pose.y, pose.z);
    json.Key("orientation")
        .BeginArray()
        .Float(pose.qx)
        .Float(pose.qy)
        .Float(pose.qz)
        .Float(pose.qw)
        .EndArray();
    json.Key("meanError").Float(pose.meanError).Key("tracked").Bool(pose.tracked).EndObject();
}

std::string FrameJson(const FrameCopy& frame, const NameIndex& names) {
    JsonWriter json;
    char timecode[32] = "";
    Solvanta_TimecodeStringify(frame.timecode, frame.subframe, timecode, sizeof(timecode));
    json.BeginObject().Key("frame").Int(frame.frameNumber).Key("timecode").String(timecode);
    json.Key("timeStamp").Int(frame.timeStamp).Key("latency").Float(frame.latency);
    if (frame.hasHostTiming) {
        const sFrameHostTiming& t = frame.hostTiming;
        json.Key("hostTiming").BeginObject();
        json.Key("captureTime").Float(t.captureTime);
        json.Key("captureUncertainty").Float(t.captureUncertainty);
        json.Key("arrivalTime").Float(t.arrivalTime).Key("deliveryTime").Float(t.deliveryTime);
        json.Key("estimatedRate").Float(t.estimatedRate).EndObject();
    }
    json.Key("rigidBodies").BeginArray();
    for (const Pose& body : frame.rigidBodies) WritePose(json, body, names.RigidBody(body.id));
    json.EndArray().Key("skeletons").BeginArray();
    for (const FrameCopy::Skeleton& skeleton : frame.skeletons) {
        const auto name = names.skeletons.find(skeleton.id);
        json.BeginObject().Key("id").Int(skeleton.id);
        if (name != names.skeletons.end()) json.Key("name").String(name->second);
        json.Key("bones").BeginArray();
        for (const Pose& bone : skeleton.bones)
            WritePose(json, bone, names.Bone(skeleton.id, bone.id));
        json.EndArray().EndObject();
    }
    json.EndArray().Key("markerSets").BeginArray();
    for (const FrameCopy::MarkerSet& set : frame.markerSets) {
        json.BeginObject().Key("name").String(set.name).Key("markers").BeginArray();
        for (const auto& m : set.markers) json.Point(m[0], m[1], m[2]);
        json.EndArray().EndObject();
    }
    json.EndArray().Key("labeledMarkers").BeginArray();
    for (const sMarker& m : frame.labeledMarkers) {
        json.BeginObject().Key("id").Int(m.id).Key("position").Point(m.x, m.y, m.z);
        json.Key("size").Float(m.size).EndObject();
    }
    json.EndArray().Key("otherMarkers").BeginArray();
    for (const auto& m : frame.otherMarkers) json.Point(m[0], m[1], m[2]);
    json.EndArray().Key("analog").BeginArray();
    for (const float value : frame.analog) json.Float(value);
    // Names of the analog values (null where none is described), and plate ids 1, 2 ... as in
    // the descriptions: plates that were computed took their channels out of the frame.
    const std::vector<std::string>& analogNames =
        frame.forcePlates.empty() ? names.allChannels : names.deviceChannels;
    json.EndArray().Key("analogNames").BeginArray();
    for (size_t a = 0; a < frame.analog.size(); ++a) {
        if (a < analogNames.size()) {
            json.String(analogNames[a]);
        } else {
            json.Null();
        }
    }
    json.EndArray().Key("forcePlates").BeginArray();
    int plateId = 0;
    for (const sForcePlateData& plate : frame.forcePlates) {
        json.BeginObject().Key("id").Int(++plateId);
        json.Key("force").Point(plate.fx, plate.fy, plate.fz);
        json.Key("centreOfPressure").Point(plate.copX, plate.copY, plate.copZ);
        json.Key("freeMoment").Float(plate.tz).EndObject();
    }
    json.EndArray().EndObject();
    return json.Text();
}

sStreamStatistics LibraryStatistics(MiravSDKClient& client) {
    sStreamStatistics stats{};
    stats.size = sizeof(stats);
    client.GetStreamStatistics(&stats);
    return stats;
}

std::string StatisticsJson(const sStreamStatistics& s) {
    JsonWriter json;
    json.BeginObject().Key("statistics").BeginObject();
    json.Key("kernelDropsReported").Bool(s.kernelDropsReported != 0);
    const std::pair<const char*, uint64_t> counts[] = {
        {"datagramsReceived", s.datagramsReceived},
        {"bytesReceived", s.bytesReceived},
        {"framesDelivered", s.framesDelivered},
        {"framesMissing", s.framesMissing},
        {"framesOutOfOrder", s.framesOutOfOrder},
        {"framesDroppedByQueue", s.framesDroppedByQueue},
        {"messagesAbandoned", s.messagesAbandoned},
        {"messagesKernelDiscarded", s.messagesKernelDiscarded},
        {"datagramsMalformed", s.datagramsMalformed},
        {"fragmentsRepeated", s.fragmentsRepeated},
        {"datagramsForeign", s.datagramsForeign},
        {"kernelDrops", s.kernelDrops}};
    for (const auto& [name, value] : counts) json.Key(name).Int(static_cast<int64_t>(value));
    json.Key("millisecondsSinceLastFrame").Int(s.millisecondsSinceLastFrame);
    json.EndObject().EndObject();
    return json.Text();
}

std::string StatusText(int state, const Counters& c, double rate, uint64_t dropped,
                       const std::string& chosenName, const sStreamStatistics& stats) {
    char text[512];
    int n = std::snprintf(
        text, sizeof(text),
        "%s | frame %d | %.1f fps | latency %.1f ms | rigid bodies %d, skeletons %d, "
        "markers %d",
        StateName(state), c.lastFrame, rate, c.latency, c.rigidBodies, c.skeletons, c.markers);
    std::string out(text, static_cast<size_t>(std::max(n, 0)));
    if (!c.plateFz.empty()) {
        out += " | plates Fz";
        for (size_t p = 0; p < c.plateFz.size(); ++p) {
            std::snprintf(text, sizeof(text), "%s %.0f", p == 0 ? "" : ",", c.plateFz[p]);
            out += text;
        }
        out += " N";
    }
    if (!chosenName.empty()) {
        if (c.chosenSeen) {
            std::snprintf(text, sizeof(text), " | %s at %.3f %.3f %.3f", chosenName.c_str(),
                          c.chosen.x, c.chosen.y, c.chosen.z);
        } else {
            std::snprintf(text, sizeof(text), " | %s not seen", chosenName.c_str());
        }
        out += text;
    }
    std::snprintf(
        text, sizeof(text), " | missing %llu, abandoned %llu, dropped %llu",
        static_cast<unsigned long long>(stats.framesMissing),
        static_cast<unsigned long long>(stats.messagesAbandoned + stats.messagesKernelDiscarded),
        static_cast<unsigned long long>(dropped));
    out += text;
    if (stats.kernelDrops > 0) {
        std::snprintf(text, sizeof(text), ", kernel drops %llu",
                      static_cast<unsigned long long>(stats.kernelDrops));
        out += text;
    }
    return out;
}

Counters Snapshot(StreamState& state) {
    std::lock_guard<std::mutex> guard(state.lock);
    return state.counters;
}

}  // namespace

int RunStream(int argc, char** argv, int first) {
    ParsedArgs args;
    std::string error;
    const std::vector<OptionRule> rules = {{"--duration", true},   {"--frames", true},
                                           {"--json", false},      {"--stats", false},
                                           {"--rigid-body", true}, {"--reconnect", false},
                                           {"--verbose", false}};
    if (!ParseArgs(argc, argv, first, rules, 1, args, error)) {
        return UsageError("stream", error, kStreamUsage);
    }
    if (args.help) {
        std::printf("%s", kStreamUsage);
        return kExitOk;
    }
    double duration = 0;
    if (args.Has("--duration") && !ParsePositiveNumber(args.Value("--duration"), &duration)) {
        return UsageError("stream", "--duration needs a number of seconds above 0", kStreamUsage);
    }
    double frames = 0;
    if (args.Has("--frames") &&
        (!ParsePositiveNumber(args.Value("--frames"), &frames) || frames > 1e15 ||
         frames != static_cast<double>(static_cast<uint64_t>(frames)))) {
        return UsageError("stream", "--frames needs a whole number above 0", kStreamUsage);
    }
    const std::string server = args.positionals[0];
    const bool json = args.Has("--json");
    if (args.Has("--stats") && !json) {
        return UsageError("stream", "--stats goes with --json", kStreamUsage);
    }

    MiravSDKClient client;
    StreamState state(json, &client);
    state.frameLimit = static_cast<uint64_t>(frames);
    InstallMessageCapture(client, args.Has("--verbose"));
    client.SetConnectionStateCallback(&OnConnectionState, &state);
    if (args.Has("--reconnect")) client.SetAutoReconnect(1, 0);
    if (!ConnectClient(client, server, error)) return Failure("stream", error);

    sDataDescriptions* descriptions = nullptr;
    client.GetDataDescriptions(&descriptions);
    const NameIndex names = NameIndex::From(descriptions);
    if (descriptions != nullptr) client.FreeDataDescriptions(descriptions);
    const std::vector<std::string> chosen = args.All("--rigid-body");
    std::set<int32_t> chosenIds;
    int32_t firstChosen = 0;
    for (const std::string& name : chosen) {
        bool found = false;
        for (const auto& [id, bodyName] : names.rigidBodies) {
            if (bodyName == name) {
                if (chosenIds.empty()) firstChosen = id;
                chosenIds.insert(id);
                found = true;
            }
        }
        if (!found) {
            client.Uninitialize();
            return Failure("stream", "the server describes no rigid body named \"" + name + "\"");
        }
    }
    if (names.forcePlates > 0) client.WaitForForcePlateInit(kForcePlateWaitMs);
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.onlyBodies = chosenIds;
        state.firstChosen = firstChosen;
    }
    // Frames count from here on, once names and force plates are known, so that every frame
    // shown is complete.
    client.SetForcePlateCallback(&OnForcePlates, &state);
    client.SetDataCallback(&OnFrame, &state);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();

    if (!json) {
        char length[48] = "until interrupted";
        if (duration > 0) std::snprintf(length, sizeof(length), "for %g s", duration);
        std::printf("streaming from %s %s (Ctrl-C stops)\n", server.c_str(), length);
        std::fflush(stdout);
    }
    std::FILE* statusOut = json ? stderr : stdout;
    StatusLine status(statusOut, !json || sim::IsTerminal(stderr));
    auto lastStatus = start;
    uint64_t lastCount = 0;

    const auto writeFrame = [&](const FrameCopy& frame) {
        const std::string line = FrameJson(frame, names) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    };
    const auto limitReached = [&state] {
        std::lock_guard<std::mutex> guard(state.lock);
        return state.frameLimit != 0 && state.counters.received >= state.frameLimit;
    };
    while (!gStopRequested.load() && !limitReached() &&
           (duration <= 0 || Clock::now() - start < std::chrono::duration<double>(duration))) {
        FrameCopy frame;
        if (json) {
            if (state.queue.Pop(&frame, std::chrono::milliseconds(50))) writeFrame(frame);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // Each change of the connection state is shown at once, on its own line.
        std::vector<int> states = TakeStates(state);
        if (states.empty() && status.Due()) states.push_back(state.connection);
        for (const int shown : states) {
            const Counters c = Snapshot(state);
            const auto now = Clock::now();
            const double seconds = std::chrono::duration<double>(now - lastStatus).count();
            const double rate =
                seconds > 0 ? static_cast<double>(c.received - lastCount) / seconds : 0;
            lastStatus = now;
            lastCount = c.received;
            status.Show(StatusText(shown, c, rate, state.queue.Dropped(),
                                   chosen.empty() ? "" : chosen[0], LibraryStatistics(client)));
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    client.Uninitialize();
    // The statistics keep counting across Uninitialize, so these are final.
    const sStreamStatistics stats = LibraryStatistics(client);
    FrameCopy frame;
    while (json && state.queue.Pop(&frame, std::chrono::milliseconds(0))) writeFrame(frame);
    if (json && args.Has("--stats")) {
        const std::string line = StatisticsJson(stats) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    status.Finish();

    const Counters c = Snapshot(state);
    std::FILE* summary = json ? stderr : stdout;
    std::fprintf(summary, "received %llu frames in %.1f s (%.1f fps)\n",
                 static_cast<unsigned long long>(c.received), elapsed,
                 elapsed > 0 ? static_cast<double>(c.received) / elapsed : 0.0);
    const auto line = [summary](const char* name, uint64_t value) {
        std::fprintf(summary, "%s: %llu\n", name, static_cast<unsigned long long>(value));
    };
    line("frames missing (gaps in frame numbers)", stats.framesMissing);
    line("frames out of order or repeated", stats.framesOutOfOrder);
    line("frames dropped by the queue", state.queue.Dropped());
    line("messages abandoned incomplete", stats.messagesAbandoned);
    line("messages discarded for kernel drops", stats.messagesKernelDiscarded);
    line("malformed datagrams", stats.datagramsMalformed);
    line("repeated fragments", stats.fragmentsRepeated);
    line("datagrams from other senders", stats.datagramsForeign);
    if (stats.kernelDropsReported != 0) {
        line("kernel drops", stats.kernelDrops);
    } else {
        std::fprintf(summary, "kernel drops: not reported on this system\n");
    }
    std::fflush(summary);
    if (c.received == 0) {
        return Failure("stream", "connected to " + server +
                                     ", but no frames arrived: is the server streaming, and does "
                                     "the firewall let UDP port 5231 through?");
    }
    return kExitOk;
}

}  // namespace mirav::cli
