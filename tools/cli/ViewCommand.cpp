// view: a local web server whose page draws the live stream (or a recording) in 3D.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Options.h"
#include "RecordingReader.h"
#include "ViewServer.h"
#include "ViewSources.h"

#ifndef MIRAV_VIEW_PAGE_INSTALL_DIR
#define MIRAV_VIEW_PAGE_INSTALL_DIR ""
#endif

namespace mirav::cli {
namespace {

const char kViewUsage[] =
    "usage: mirav-cli view SERVER [--port 8080] [--bind 127.0.0.1] [--duration S]\n"
    "       mirav-cli view --replay RECORDING [--port 8080] [--bind 127.0.0.1] [--duration S]\n"
    "  Serves a page at http://BIND:PORT/ that draws the stream in 3D: markers, marker sets,\n"
    "  rigid bodies with their names, skeletons, force plates with the force at the centre of\n"
    "  pressure, a floor grid and a panel with frame rate, latency, connection state and loss\n"
    "  counters. Frames reach the page at its display rate (always the newest). With --replay\n"
    "  it plays a recording made by `mirav-cli record`, with play, pause and seek.\n"
    "  --port N        port of the web server (default 8080; 0 picks a free one)\n"
    "  --bind ADDRESS  address to listen on (default 127.0.0.1: this computer only)\n"
    "  --replay FILE   play a recording instead of connecting to a server\n"
    "  --paused        with --replay: start paused on the first frame\n"
    "  --page DIR      where the page's files are (default: installed with mirav-cli)\n"
    "  --duration S    stop after S seconds (default: until interrupted)\n";

struct ViewRequest {
    std::string server, replay, bind = "127.0.0.1", pageDir;
    uint16_t port = 8080;
    double duration = 0;
    bool paused = false;
};

int ParseView(int argc, char** argv, int first, ViewRequest& request) {
    ParsedArgs args;
    std::string error;
    const std::vector<OptionRule> rules = {{"--port", true},   {"--bind", true},
                                           {"--replay", true}, {"--paused"},
                                           {"--page", true},   {"--duration", true}};
    const size_t positionals = [&] {
        for (int i = first; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--replay" || arg.rfind("--replay=", 0) == 0) return size_t{0};
        }
        return size_t{1};
    }();
    if (!ParseArgs(argc, argv, first, rules, positionals, args, error)) {
        return UsageError("view", error, kViewUsage);
    }
    if (args.help) {
        std::printf("%s", kViewUsage);
        return kExitOk;
    }
    if (positionals == 1) request.server = args.positionals[0];
    request.replay = args.Value("--replay");
    request.bind = args.Value("--bind", request.bind);
    request.pageDir = args.Value("--page");
    request.paused = args.Has("--paused");
    if (args.Has("--port")) {
        char* end = nullptr;
        const std::string text = args.Value("--port");
        const unsigned long port = std::strtoul(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || port > 65535) {
            return UsageError("view", "--port needs a number from 0 to 65535", kViewUsage);
        }
        request.port = static_cast<uint16_t>(port);
    }
    if (args.Has("--duration") &&
        !ParsePositiveNumber(args.Value("--duration"), &request.duration)) {
        return UsageError("view", "--duration needs a number of seconds above 0", kViewUsage);
    }
    return -1;
}

bool FileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file != nullptr) std::fclose(file);
    return file != nullptr;
}

// The page's folder: given, beside the program (build tree), in the installed tree relative to
// the program, or where the build installs it.
std::string FindPage(const std::string& given, const char* program) {
    if (!given.empty()) return given;
    std::vector<std::string> candidates;
    const std::string self = program != nullptr ? program : "";
    const size_t slash = self.find_last_of('/');
    if (slash != std::string::npos) {
        const std::string dir = self.substr(0, slash);
        candidates.push_back(dir + "/view-page");
        candidates.push_back(dir + "/../share/mirav/view-page");
    }
    candidates.push_back(MIRAV_VIEW_PAGE_INSTALL_DIR);
    for (const std::string& dir : candidates) {
        if (!dir.empty() && FileExists(dir + "/index.html") && FileExists(dir + "/view.js")) {
            return dir;
        }
    }
    return candidates.front();
}

int Serve(const ViewRequest& request, ViewSource& source, const std::string& page) {
    ViewServer server;
    std::string error;
    if (!server.Start(request.bind, request.port, page, source.Handlers(), error)) {
        return Failure("view", error);
    }
    std::printf("mirav-cli view: serving http://%s:%u/ (Ctrl-C stops)\n", request.bind.c_str(),
                static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    while (!gStopRequested.load() &&
           (request.duration <= 0 ||
            Clock::now() - start < std::chrono::duration<double>(request.duration))) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    server.Stop();
    return kExitOk;
}

}  // namespace

int RunView(int argc, char** argv, int first) {
    ViewRequest request;
    const int parsed = ParseView(argc, argv, first, request);
    if (parsed >= 0) return parsed;
    if (!ViewServer::Available()) {
        return Failure("view", "this mirav-cli was built without its web server");
    }
    const std::string page = FindPage(request.pageDir, argv[0]);
    if (!FileExists(page + "/index.html") || !FileExists(page + "/view.js")) {
        return Failure("view",
                       "the page was not built (it needs Node.js and npm at build time); "
                       "looked in " +
                           page);
    }
    std::string error;
    if (!request.replay.empty()) {
        RecordingReader reader;
        if (!reader.Open(request.replay, error)) return Failure("view", error);
        ReplayView replay(reader);
        replay.Start(!request.paused);
        const int result = Serve(request, replay, page);
        replay.Stop();
        std::printf("showed %llu frames of %zu\n", static_cast<unsigned long long>(replay.Shown()),
                    reader.FrameCount());
        return result;
    }
    LiveView live;
    if (!live.Start(request.server, error)) return Failure("view", error);
    const int result = Serve(request, live, page);
    live.Stop();
    std::printf("received %llu frames\n", static_cast<unsigned long long>(live.Received()));
    return result;
}

}  // namespace mirav::cli
