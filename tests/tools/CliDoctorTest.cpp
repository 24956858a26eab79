// mirav-cli doctor against healthy and broken setups, each made for real inside a private network
// namespace of the test's own (no default route, nothing else listening), and
// mirav-cli stream --reconnect across a restart of mirav-sim.
#include <gtest/gtest.h>

#include <thread>

#include "ToolsSupport.h"

namespace mirav::test {
namespace {

bool PrivateNamespacesWork() {
    return RunProgram({"/bin/sh", "-c", "unshare -rn sh -c 'ip link set lo up'"}, kRunTimeout)
               .exitCode == 0;
}

// Runs the shell script in a new private network namespace with lo up; "$0" is mirav-sim and
// "$1" mirav-cli inside the script.
RunResult InNamespace(const std::string& script) {
    return RunProgram({"unshare", "-rn", "sh", "-c", "ip link set lo up && " + script, kSim, kCli},
                      kRunTimeout);
}

// Starts mirav-sim with the options, runs the step "meanwhile" (if any), runs doctor with the
// options, stops the simulator and exits with doctor's code.
RunResult DoctorWithSim(const std::string& simOptions, const std::string& doctorOptions,
                        const std::string& meanwhile = "") {
    return InNamespace("{ \"$0\" " + simOptions +
                       " --duration 30 >/dev/null 2>&1 & } && sim=$! && sleep 1 && " + meanwhile +
                       "\"$1\" doctor 127.0.0.1 " + doctorOptions +
                       "; status=$?; kill -INT $sim; wait $sim; exit $status");
}

// The line of a check in doctor's output, or "".
std::string CheckLine(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > 6 && line.compare(6, name.size(), name) == 0) return line;
    }
    return "";
}

TEST(CliDoctor, HealthySetupPassesAndEachBrokenOneFailsWithItsReason) {
    if (!PrivateNamespacesWork()) GTEST_SKIP() << "no private network namespace here";

    const RunResult healthy = DoctorWithSim("", "");
    EXPECT_EQ(healthy.exitCode, 0) << healthy.output << healthy.errors;
    for (const char* name : {"name resolution", "command port", "version", "data port", "frames"}) {
        EXPECT_EQ(CheckLine(healthy.output, name).rfind("pass", 0), 0u) << name << "\n"
                                                                        << healthy.output;
    }
    EXPECT_EQ(CheckLine(healthy.output, "multicast route").rfind("skip", 0), 0u);
    EXPECT_NE(CheckLine(healthy.output, "receive buffer").find("KiB granted of the 1024 KiB"),
              std::string::npos);
    EXPECT_NE(healthy.output.find("all checks passed"), std::string::npos);

    const RunResult json = DoctorWithSim("", "--json");
    EXPECT_EQ(json.exitCode, 0) << json.errors;
    Json report;
    ASSERT_TRUE(Json::Parse(json.output.substr(0, json.output.find('\n')), &report)) << json.output;
    EXPECT_TRUE(report["passed"].boolean);
    EXPECT_EQ(report["checks"].size(), 8u);
    EXPECT_EQ(report["checks"][1]["name"].text, "command port");
    EXPECT_EQ(report["checks"][1]["verdict"].text, "pass");

    // Nothing listens on 5230: known at once, not after the 3 s wait.
    const RunResult none = InNamespace("exec \"$1\" doctor 127.0.0.1");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(CheckLine(none.output, "command port"),
              "FAIL  command port     port 5230 unreachable on 127.0.0.1: nothing is listening -> "
              "start the capture server, or check that it streams on this address");
    EXPECT_EQ(CheckLine(none.output, "version").rfind("skip", 0), 0u);
    EXPECT_LT(none.seconds, 2.5);

    const RunResult silent = DoctorWithSim("--silent", "");
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(CheckLine(silent.output, "command port")
                  .find("FAIL  command port     no reply from 127.0.0.1:5230 within 3000 ms"),
              std::string::npos)
        << silent.output;

    const RunResult refused = DoctorWithSim("--refuse --server-version 3.1.2.9", "");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(CheckLine(refused.output, "version")
                  .find("server 3.1.2.9 refused library version 4.0.56.34"),
              std::string::npos)
        << refused.output;

    // Another client on this machine holds UDP 5231.
    const RunResult taken = DoctorWithSim(
        "", "", "{ \"$1\" stream 127.0.0.1 --duration 20 >/dev/null 2>&1 & } && sleep 1 && ");
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_NE(CheckLine(taken.output, "data port")
                  .find("data port 5231 is already in use by another program on this machine"),
              std::string::npos)
        << taken.output;

    // Multicast without any route for the group (lo up, nothing more).
    const RunResult noRoute = DoctorWithSim("--multicast", "");
    EXPECT_EQ(noRoute.exitCode, 1);
    EXPECT_EQ(
        CheckLine(noRoute.output, "multicast route")
            .rfind("FAIL  multicast route  no route for the multicast group 239.239.239.52", 0),
        0u)
        << noRoute.output;
}

// The stream follows mirav-sim stopped and started again: the status line goes through stalled
// and reconnecting back to streaming, and frames arrive from both runs.
TEST(CliDoctor, StreamReconnectFollowsARestartedServer) {
    if (!PrivateNamespacesWork()) GTEST_SKIP() << "no private network namespace here";
    const RunResult r = InNamespace(
        "out=$(mktemp) && { \"$0\" --duration 30 >/dev/null 2>&1 & } && sim=$! && sleep 0.5 && "
        "{ \"$1\" stream 127.0.0.1 --reconnect --duration 7 > \"$out\" 2>&1 & } && cli=$! && "
        "sleep 2.5 && kill -INT $sim && wait $sim; sleep 1.5; "
        "{ \"$0\" --duration 30 >/dev/null 2>&1 & } && sim=$! && wait $cli; status=$?; "
        "kill -INT $sim; wait $sim; cat \"$out\"; rm -f \"$out\"; exit $status");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const size_t stalled = r.output.find("stalled |");
    const size_t reconnecting = r.output.find("reconnecting |");
    ASSERT_NE(stalled, std::string::npos) << r.output;
    ASSERT_NE(reconnecting, std::string::npos) << r.output;
    EXPECT_LT(stalled, reconnecting);
    EXPECT_NE(r.output.find("streaming |", reconnecting), std::string::npos) << r.output;
    EXPECT_GT(FramesReceived(r.output), 300);
}

}  // namespace
}  // namespace mirav::test
