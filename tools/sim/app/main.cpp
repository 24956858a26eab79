// mirav-sim: the substitute capture server as a program. Answers the client's commands and
// streams the synthetic scene, a C3D or BVH take, or a recording, until its duration ends or
// it is interrupted, with a status line.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ForcePlateSim.h"
#include "Recording.h"
#include "Replay.h"
#include "Server.h"
#include "SimOptions.h"
#include "SimSocket.h"

namespace {

using mirav::sim::SimOptions;
using Clock = std::chrono::steady_clock;

std::atomic<bool> stopRequested{false};

void OnSignal(int) { stopRequested.store(true); }

// A status line, redrawn in place on a terminal and written every five seconds otherwise.
class Status {
public:
    Status() : terminal_(mirav::sim::IsTerminal(stdout)) {}
    void Update(const std::string& text) {
        const auto now = Clock::now();
        if (now - last_ < (terminal_ ? std::chrono::milliseconds(250) : std::chrono::seconds(5))) {
            return;
        }
        last_ = now;
        if (terminal_) {
            std::printf("\r%-100s", text.c_str());
        } else {
            std::printf("%s\n", text.c_str());
        }
        std::fflush(stdout);
    }
    void Finish() {
        if (terminal_) std::printf("\n");
    }

private:
    bool terminal_;
    Clock::time_point last_ = Clock::now();
};

int Fail(const std::string& reason) {
    std::fprintf(stderr, "mirav-sim: %s\n", reason.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!mirav::sim::ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "mirav-sim: %s\n%s", error.c_str(), mirav::sim::kSimUsage);
        return 2;
    }
    if (options.help) {
        std::printf("%s", mirav::sim::kSimUsage);
        return 0;
    }
    mirav::sim::ServerConfig& config = options.config;
    if (config.multicast && !mirav::sim::MulticastAllowedHere()) {
        return Fail(
            "multicast is only sent inside a network namespace without a default route, so that "
            "nothing leaves the machine; use --unicast (the default) here");
    }

    // What to stream: a take read from a file, a recording, or the synthetic scene.
    mirav::sim::RecordedTake take;
    mirav::sim::ReplayData replay;
    std::string source = "synthetic scene";
    const std::string takePath = !options.c3d.empty() ? options.c3d : options.bvh;
    if (!takePath.empty()) {
        const bool loaded = !options.c3d.empty() ? LoadC3dTake(takePath, take, error)
                                                 : LoadBvhTake(takePath, take, error);
        if (!loaded) return Fail(error);
        if (take.FrameCount() == 0) return Fail(takePath + " holds no frames");
        if (!options.rateGiven && take.frameRate > 0) options.rate = take.frameRate;
        config.sceneRate = take.frameRate > 0 ? take.frameRate : options.rate;
        source = takePath + " (" + std::to_string(take.FrameCount()) + " frames)";
    } else if (!options.replay.empty()) {
        if (!mirav::sim::LoadReplay(options.replay, replay, error)) return Fail(error);
        if (replay.haveVersion) config.version = replay.version;
        char text[160];
        std::snprintf(text, sizeof(text), "%s (%llu frames, %.1f s%s)", options.replay.c_str(),
                      static_cast<unsigned long long>(replay.frames), replay.seconds,
                      replay.truncated ? ", cut short" : "");
        source = text;
    } else {
        config.sceneRate = options.rate > 0 ? options.rate : 100.0;
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    mirav::sim::Server server(config);
    mirav::sim::Scene& scene = server.SceneModel();
    if (!takePath.empty()) {
        scene.SetTake(&take);
    } else if (options.replay.empty()) {
        scene.SetSize(options.rigidBodies, options.skeletons, options.markers);
        if (options.forcePlates) scene.SetForcePlates(mirav::sim::DemoForcePlates());
    }
    if (!server.Start()) return Fail(server.Error());
    server.SetSilent(options.silent);

    std::unique_ptr<mirav::sim::ReplayPlayer> player;
    std::mutex readyLock;
    std::optional<Clock::time_point> connectedAt, describedAt;
    if (!options.replay.empty()) {
        player =
            std::make_unique<mirav::sim::ReplayPlayer>(server, replay, options.speed, options.loop);
        player->Start(config.multicast);
        std::printf("mirav-sim: serving on %s:%u, replaying %s at %gx to port %u (%s)\n",
                    config.bindAddress.c_str(), config.commandPort, source.c_str(), options.speed,
                    config.dataPort, config.multicast ? "multicast" : "unicast");
    } else {
        std::printf("mirav-sim: serving on %s:%u, %s at %g Hz to port %u (%s)\n",
                    config.bindAddress.c_str(), config.commandPort, source.c_str(), options.rate,
                    config.dataPort, config.multicast ? "multicast" : "unicast");
        // Frames start once the first client is ready for them: 100 ms after it asked for the
        // data descriptions (from which it prepares its force plates), or 1 s after it
        // connected if it never asks. It then sees the take or the scene from the first frame,
        // with the plates unloaded, as the client's force plate baseline expects.
        server.SetCommandHook([&](const mirav::sim::ReceivedCommand& command) {
            std::lock_guard<std::mutex> guard(readyLock);
            if (command.type == 0 && !connectedAt) connectedAt = command.at;
            if ((command.type == 101 || command.type == 107) && !describedAt) {
                describedAt = command.at;
            }
            return false;
        });
        const auto firstClientReady = [&](uint64_t) {
            {
                std::lock_guard<std::mutex> guard(readyLock);
                const auto now = Clock::now();
                if ((describedAt && now - *describedAt >= std::chrono::milliseconds(100)) ||
                    (connectedAt && now - *connectedAt >= std::chrono::seconds(1))) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return false;
        };
        if (options.rate > 0)
            server.StartStreaming(options.rate, 0, options.typical, firstClientReady);
    }
    std::fflush(stdout);

    Status status;
    const auto start = Clock::now();
    auto lastAt = start;
    uint64_t lastFrames = 0;
    double rate = 0;
    while (!stopRequested.load() && !(player && player->Finished())) {
        const auto now = Clock::now();
        if (options.duration > 0 &&
            now - start >= std::chrono::duration<double>(options.duration)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const uint64_t frames = player ? player->FramesSent() : server.FramesSent();
        const double seconds = std::chrono::duration<double>(Clock::now() - lastAt).count();
        if (seconds >= 1.0) {
            rate = static_cast<double>(frames - lastFrames) / seconds;
            lastFrames = frames;
            lastAt = Clock::now();
        }
        char text[160];
        std::snprintf(text, sizeof(text), "mirav-sim: %llu frames sent | %.1f fps | %s",
                      static_cast<unsigned long long>(frames), rate,
                      server.HasClient() ? "client connected" : "waiting for a client");
        status.Update(text);
    }
    if (player) player->Stop();
    server.Stop();
    status.Finish();
    std::printf(
        "mirav-sim: stopped after %llu frames\n",
        static_cast<unsigned long long>(player ? player->FramesSent() : server.FramesSent()));
    if (options.config.impairment.Active()) {
        const mirav::sim::ImpairmentReport report = server.Impaired();
        std::printf(
            "mirav-sim: impairment: %llu frames offered, %llu complete; %llu datagrams lost, "
            "%llu duplicated, %llu swapped\n",
            static_cast<unsigned long long>(report.framesOffered),
            static_cast<unsigned long long>(report.framesComplete),
            static_cast<unsigned long long>(report.datagramsLost),
            static_cast<unsigned long long>(report.datagramsDuplicated),
            static_cast<unsigned long long>(report.datagramsSwapped));
    }
    return 0;
}
