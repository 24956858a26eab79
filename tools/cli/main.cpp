// mirav-cli: a command-line client of a capture server, built on the public client interface.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "Options.h"
#include "Session.h"

namespace mirav::cli {

std::atomic<bool> gStopRequested{false};

int UsageError(const char* command, const std::string& reason, const char* usage) {
    std::fprintf(stderr, "mirav-cli %s: %s\n%s", command, reason.c_str(), usage);
    return kExitUsage;
}

int Failure(const char* command, const std::string& reason) {
    std::fprintf(stderr, "mirav-cli %s: %s\n", command, reason.c_str());
    return kExitFailure;
}

}  // namespace mirav::cli

namespace {

const char kUsage[] =
    "usage: mirav-cli COMMAND SERVER [options]\n"
    "\n"
    "commands:\n"
    "  info SERVER                      server description, versions and transport mode\n"
    "  describe SERVER [--json]         the data descriptions as a tree, or as JSON\n"
    "  stream SERVER [--duration S] [--json] [--rigid-body NAME]... [--reconnect]\n"
    "                                   live frames: a status line, or one JSON object a frame\n"
    "  doctor SERVER [--json]           checks the server, ports, route, buffers and frames,\n"
    "                                   one line per check with what to do\n"
    "  record SERVER FILE [--duration S]\n"
    "                                   records every datagram the server sends, with its\n"
    "                                   arrival time, for mirav-sim --replay\n"
    "  export RECORDING --c3d OUT | --csv OUT\n"
    "                                   a recording as a C3D file or a CSV table\n"
    "  view SERVER [--port 8080] [--bind 127.0.0.1] | view --replay RECORDING\n"
    "                                   a live 3D view of the stream in the browser\n"
    "\n"
    "SERVER is the capture server's IPv4 address or host name. `mirav-cli COMMAND --help`\n"
    "describes a command. Exit codes: 0 success, 1 failure (the reason is printed),\n"
    "2 wrong usage.\n";

void OnSignal(int) { mirav::cli::gStopRequested.store(true); }

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (argc < 2) {
        std::fprintf(stderr, "mirav-cli: missing command\n%s", kUsage);
        return mirav::cli::kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::printf("%s", kUsage);
        return mirav::cli::kExitOk;
    }
    if (command == "--version") {
        std::printf("mirav-cli, client library %s\n", mirav::cli::LibraryVersionText().c_str());
        return mirav::cli::kExitOk;
    }
    if (command == "info") return mirav::cli::RunInfo(argc, argv, 2);
    if (command == "describe") return mirav::cli::RunDescribe(argc, argv, 2);
    if (command == "stream") return mirav::cli::RunStream(argc, argv, 2);
    if (command == "record") return mirav::cli::RunRecord(argc, argv, 2);
    if (command == "doctor") return mirav::cli::RunDoctor(argc, argv, 2);
    if (command == "export") return mirav::cli::RunExport(argc, argv, 2);
    if (command == "view") return mirav::cli::RunView(argc, argv, 2);
    std::fprintf(stderr, "mirav-cli: unknown command %s\n%s", command.c_str(), kUsage);
    return mirav::cli::kExitUsage;
}
