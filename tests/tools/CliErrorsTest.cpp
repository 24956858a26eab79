// How mirav-cli and mirav-sim answer wrong usage, a missing server and a refused version.
#include <gtest/gtest.h>

#include "ToolsSupport.h"

namespace mirav::test {
namespace {

TEST(CliErrors, BadUsageGivesTheUsageAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"teleport", kServer},
        {"stream"},
        {"stream", kServer, "--bogus"},
        {"stream", kServer, "--duration"},
        {"stream", kServer, "--duration", "soon"},
        {"stream", kServer, "--duration", "-3"},
        {"stream", kServer, "--json=yes"},
        {"stream", kServer, "--frames", "2.5"},
        {"record", kServer},
        {"record", kServer, "file", "extra"},
        {"describe", kServer, "--tree"},
        {"info"},
    };
    for (const auto& args : wrong) {
        const RunResult r = RunProgram(Command(kCli, args), kRunTimeout);
        const std::string shown = args.empty() ? "(none)" : args[0] + " ...";
        EXPECT_EQ(r.exitCode, 2) << shown;
        EXPECT_NE(r.errors.find("usage: mirav-cli"), std::string::npos) << shown << r.errors;
        EXPECT_TRUE(r.output.empty()) << shown;
    }
    // The first line says what was wrong.
    const RunResult bogus = RunProgram(Command(kCli, {"stream", kServer, "--bogus"}), kRunTimeout);
    EXPECT_EQ(bogus.errors.substr(0, bogus.errors.find('\n')),
              "mirav-cli stream: unknown option --bogus");

    for (const char* command : {"info", "describe", "stream", "record"}) {
        const RunResult help = RunProgram(Command(kCli, {command, "--help"}), kRunTimeout);
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.output.rfind(std::string("usage: mirav-cli ") + command, 0), 0u)
            << help.output;
    }
    const RunResult help = RunProgram(Command(kCli, {"--help"}), kRunTimeout);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("record SERVER FILE"), std::string::npos);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--rate", "fast"},
                                                 {"--bogus"},
                                                 {"--speed", "0"},
                                                 {"--c3d", "a.c3d", "--bvh", "b.bvh"},
                                                 {"--rigid-bodies", "1001"}}) {
        const RunResult r = RunProgram(Command(kSim, args), kRunTimeout);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_NE(r.errors.find("usage: mirav-sim"), std::string::npos) << r.errors;
    }
    const RunResult missing =
        RunProgram(Command(kSim, {"--c3d", "/nonexistent/take.c3d"}), kRunTimeout);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errors.find("cannot open"), std::string::npos) << missing.errors;
}

// Nothing listens on 5230: the host says so and the stream fails at once with that reason.
TEST(CliErrors, StreamWithoutAServerFailsAtOnceWithTheReason) {
    const RunResult r =
        RunProgram(Command(kCli, {"stream", kServer, "--duration", "1"}), kRunTimeout);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errors,
              "mirav-cli stream: port 5230 unreachable on 127.0.0.1: nothing is listening\n");
    EXPECT_LT(r.seconds, 3.0);
}

TEST(CliErrors, RefusedVersionShowsBothVersions) {
    auto sim = StartSim({"--refuse", "--server-version", "3.1.2.9", "--duration", "30"});
    const std::string expected = "server 3.1.2.9 refused library version 4.0.56.34\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"stream", kServer, "--duration", "1"},
          {"info", kServer},
          {"record", kServer, ::testing::TempDir() + "refused.mcap"}}) {
        const RunResult r = RunProgram(Command(kCli, args), kRunTimeout);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_EQ(r.errors, "mirav-cli " + args[0] + ": " + expected);
    }
    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
}

}  // namespace
}  // namespace mirav::test
