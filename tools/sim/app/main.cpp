// mirav-sim: the substitute capture server as a program. Answers the client's commands and
// streams the synthetic scene until its duration ends or it is interrupted.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "ForcePlateSim.h"
#include "Server.h"

namespace {

std::atomic<bool> stopRequested{false};

void OnSignal(int) { stopRequested.store(true); }

void PrintUsage() {
    std::printf(
        "usage: mirav-sim [options]\n"
        "  --bind ADDRESS          local address to serve on (default 127.0.0.1)\n"
        "  --command-port N        command port (default 5230)\n"
        "  --data-port N           client data port frames are sent to (default 5231)\n"
        "  --rate HZ               frames per second (default 100; 0 sends no frames)\n"
        "  --duration SECONDS      stop after this time (default 0: until interrupted)\n"
        "  --server-version A.B.C.D version bytes in the connect reply (default 4.0.56.34)\n"
        "  --refuse                refuse every client's version\n"
        "  --multicast             frames to the multicast group (private namespaces only)\n"
        "  --descriptions-type T   answer description requests as type 101 or 105\n"
        "  --silent                record commands but answer none\n"
        "  --typical               stream typical-size frames instead of the scene\n"
        "  --no-force-plates       leave out the two force plates the walker steps across\n");
}

bool ParseVersion(const char* text, std::array<uint8_t, 4>* version) {
    unsigned a, b, c, d;
    if (std::sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    *version = {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c),
                static_cast<uint8_t>(d)};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    mirav::sim::ServerConfig config;
    double rate = 100.0;
    double duration = 0.0;
    bool silent = false;
    bool typical = false;
    bool forcePlates = true;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            PrintUsage();
            return 0;
        } else if (option == "--bind" && hasValue) {
            config.bindAddress = argv[++i];
        } else if (option == "--command-port" && hasValue) {
            config.commandPort = static_cast<uint16_t>(std::atoi(argv[++i]));
        } else if (option == "--data-port" && hasValue) {
            config.dataPort = static_cast<uint16_t>(std::atoi(argv[++i]));
        } else if (option == "--rate" && hasValue) {
            rate = std::atof(argv[++i]);
        } else if (option == "--duration" && hasValue) {
            duration = std::atof(argv[++i]);
        } else if (option == "--server-version" && hasValue) {
            if (!ParseVersion(argv[++i], &config.version)) {
                std::fprintf(stderr, "mirav-sim: bad version %s\n", argv[i]);
                return 2;
            }
        } else if (option == "--refuse") {
            config.accepted = 0;
        } else if (option == "--multicast") {
            config.multicast = true;
        } else if (option == "--descriptions-type" && hasValue) {
            config.descriptionsType = static_cast<uint8_t>(std::atoi(argv[++i]));
        } else if (option == "--silent") {
            silent = true;
        } else if (option == "--typical") {
            typical = true;
        } else if (option == "--no-force-plates") {
            forcePlates = false;
        } else {
            std::fprintf(stderr, "mirav-sim: unknown option %s\n", option.c_str());
            PrintUsage();
            return 2;
        }
    }
    if (config.multicast && !mirav::sim::MulticastAllowedHere()) {
        std::fprintf(stderr,
                     "mirav-sim: multicast is only sent inside a private network namespace\n");
        return 2;
    }
    config.sceneRate = rate > 0 ? rate : 100.0;

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    mirav::sim::Server server(config);
    if (forcePlates) server.SceneModel().SetForcePlates(mirav::sim::DemoForcePlates());
    if (!server.Start()) {
        std::fprintf(stderr, "mirav-sim: %s\n", server.Error().c_str());
        return 1;
    }
    server.SetSilent(silent);
    std::printf("mirav-sim: serving on %s:%u, frames to port %u (%s) at %.0f Hz\n",
                config.bindAddress.c_str(), config.commandPort, config.dataPort,
                config.multicast ? "multicast" : "unicast", rate);
    std::fflush(stdout);
    if (rate > 0) server.StartStreaming(rate, 0, typical);

    const auto start = std::chrono::steady_clock::now();
    while (!stopRequested.load()) {
        if (duration > 0 &&
            std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(duration)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    server.Stop();
    std::printf("mirav-sim: stopped after %llu frames\n",
                static_cast<unsigned long long>(server.FramesSent()));
    return 0;
}
