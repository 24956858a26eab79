// mirav-cli stream and describe against mirav-sim: what the tool prints is what the simulator
// sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ForcePlateSim.h"
#include "Scene.h"
#include "SimSocket.h"
#include "ToolsSupport.h"
#include "support/Sanitizers.h"

namespace mirav::test {
namespace {

void ExpectPose(const Json& pose, const sim::RigidBodyPose& sent, const std::string& name) {
    EXPECT_EQ(pose["id"].Int(), sent.id);
    EXPECT_EQ(pose["name"].text, name);
    EXPECT_EQ(pose["position"][0].Float(), sent.x);
    EXPECT_EQ(pose["position"][1].Float(), sent.y);
    EXPECT_EQ(pose["position"][2].Float(), sent.z);
    EXPECT_EQ(pose["orientation"][2].Float(), sent.qz);
    EXPECT_EQ(pose["orientation"][3].Float(), sent.qw);
}

TEST(CliStream, JsonFramesCarryHostTimingCloseToTheTrueCaptureTimes) {
    // Sanitizer builds of the tool fall behind a 240 Hz stream: arrival times then measure the
    // backlog, not the stream.
    if (testsupport::kThreadSanitizer || testsupport::kAddressSanitizer) {
        GTEST_SKIP() << "needs a full-speed build";
    }
    auto sim = StartSim({"--rate", "240", "--jitter", "2", "--true-time", "--duration", "30"});
    const RunResult r =
        RunProgram(Command(kCli, {"stream", kServer, "--duration", "3.5", "--json"}), kRunTimeout);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::vector<Json> frames = JsonLines(r.output);
    ASSERT_GT(frames.size(), 500u) << r.errors;
    const double first = frames.front()["timeStamp"].Number() * 1e-9;
    double previous = 0;
    std::vector<double> errors;
    for (const Json& frame : frames) {
        const Json& t = frame["hostTiming"];
        ASSERT_EQ(t.kind, Json::kObject);
        const double capture = t["captureTime"].Number();
        EXPECT_GE(capture, previous);
        EXPECT_LE(capture, t["arrivalTime"].Number());
        EXPECT_LE(t["arrivalTime"].Number(), t["deliveryTime"].Number());
        EXPECT_GT(t["captureUncertainty"].Number(), 0.0);
        previous = capture;
        const double truth = frame["timeStamp"].Number() * 1e-9;
        if (truth > first + 2.0) errors.push_back(std::fabs(capture - truth));
    }
    ASSERT_GT(errors.size(), 200u);
    std::sort(errors.begin(), errors.end());
    EXPECT_LE(errors[errors.size() * 99 / 100], 0.0002);
    EXPECT_NEAR(frames.back()["hostTiming"]["estimatedRate"].Number(), 240.0, 0.5);
}

TEST(CliStream, JsonFramesEqualWhatTheSimulatorSent) {
    auto sim = StartSim({"--rate", "100", "--rigid-bodies", "4", "--skeletons", "2", "--markers",
                         "6", "--duration", "30"});
    sim::Scene scene(100.0);
    scene.SetSize(4, 2, 6);
    scene.SetForcePlates(sim::DemoForcePlates());

    const RunResult r = RunProgram(
        Command(kCli, {"stream", kServer, "--frames", "60", "--duration", "20", "--json"}),
        kRunTimeout);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::vector<Json> frames = JsonLines(r.output);
    ASSERT_GT(frames.size(), 50u) << r.errors;
    // The summary goes to standard error and accounts for every frame.
    EXPECT_EQ(FramesReceived(r.errors), static_cast<long long>(frames.size()) +
                                            SummaryCount(r.errors, "frames dropped by the queue"));
    EXPECT_EQ(SummaryCount(r.errors, "malformed datagrams"), 0);

    long long previous = 0;
    long long gaps = 0;
    for (const Json& frame : frames) {
        const long long number = frame["frame"].Int();
        ASSERT_GT(number, previous);
        gaps += previous == 0 ? 0 : number - previous - 1;
        previous = number;
        const sim::FrameScene sent = scene.Frame(static_cast<int32_t>(number));
        ASSERT_EQ(frame["rigidBodies"].size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            ExpectPose(frame["rigidBodies"][i], sent.rigidBodies[i],
                       sim::Scene::RigidBodyName(static_cast<int>(i)));
        }
        ASSERT_EQ(frame["skeletons"].size(), 2u);
        EXPECT_EQ(frame["skeletons"][1]["name"].text, "Walker2");
        for (size_t s = 0; s < 2; ++s) {
            const Json& bones = frame["skeletons"][s]["bones"];
            ASSERT_EQ(bones.size(), static_cast<size_t>(sim::Scene::kBones));
            for (size_t b = 0; b < bones.size(); ++b) {
                ExpectPose(bones[b], sent.skeletons[s].bones[b],
                           sim::Scene::BoneName(static_cast<int>(b)));
            }
        }
        const Json& wand = frame["markerSets"][0];
        EXPECT_EQ(wand["name"].text, "Wand");
        ASSERT_EQ(wand["markers"].size(), 6u);
        EXPECT_EQ(wand["markers"][5][2].Float(), sent.markerSets[0].markers[5].z);
        ASSERT_EQ(frame["labeledMarkers"].size(), 4u);
        EXPECT_EQ(frame["labeledMarkers"][3]["position"][0].Float(), sent.labeledMarkers[3].x);
        // The plates' channels become force plate records; the other analog values stay.
        ASSERT_EQ(frame["analog"].size(), static_cast<size_t>(sim::Scene::kAnalogChannels));
        EXPECT_EQ(frame["analog"][1].Float(), sent.analog[sent.analog.size() - 3]);
        EXPECT_EQ(frame["forcePlates"].size(), 2u);
        EXPECT_EQ(frame["latency"].Float(), sent.latency);
        EXPECT_EQ(frame["timeStamp"].Int(), sent.timeStamp);
    }
    EXPECT_EQ(SummaryCount(r.errors, "frames missing (gaps in frame numbers)"), gaps);

    // One rigid body by name: only it is printed.
    const RunResult one = RunProgram(Command(kCli, {"stream", kServer, "--duration", "0.5",
                                                    "--json", "--rigid-body", "RigidBody3"}),
                                     kRunTimeout);
    ASSERT_EQ(one.exitCode, 0) << one.errors;
    const std::vector<Json> chosen = JsonLines(one.output);
    ASSERT_FALSE(chosen.empty());
    for (const Json& frame : chosen) {
        ASSERT_EQ(frame["rigidBodies"].size(), 1u);
        EXPECT_EQ(frame["rigidBodies"][0]["name"].text, "RigidBody3");
        EXPECT_EQ(frame["skeletons"].size(), 0u);
    }
    const RunResult unknown =
        RunProgram(Command(kCli, {"stream", kServer, "--rigid-body", "Nobody"}), kRunTimeout);
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.errors,
              "mirav-cli stream: the server describes no rigid body named \"Nobody\"\n");

    // Without --json: status lines, then the summary, on standard output.
    const RunResult plain =
        RunProgram(Command(kCli, {"stream", kServer, "--duration", "1.2"}), kRunTimeout);
    ASSERT_EQ(plain.exitCode, 0) << plain.errors;
    EXPECT_NE(plain.output.find(" fps | latency 2.5 ms | rigid bodies 4, skeletons 2"),
              std::string::npos)
        << plain.output;
    EXPECT_NE(plain.output.find("| plates Fz"), std::string::npos);
    EXPECT_GT(FramesReceived(plain.output), 50);
    EXPECT_EQ(SummaryCount(plain.output, "frames dropped by the queue"), 0);

    // describe: the tree and the JSON name what the frames carry.
    const RunResult tree = RunProgram(Command(kCli, {"describe", kServer}), kRunTimeout);
    ASSERT_EQ(tree.exitCode, 0) << tree.errors;
    EXPECT_NE(tree.output.find("skeleton \"Walker2\", id 2, 5 bones\n  Hips (id 110)\n    Spine"),
              std::string::npos)
        << tree.output;
    const RunResult described =
        RunProgram(Command(kCli, {"describe", kServer, "--json"}), kRunTimeout);
    ASSERT_EQ(described.exitCode, 0);
    Json descriptions;
    ASSERT_TRUE(
        Json::Parse(described.output.substr(0, described.output.size() - 1), &descriptions));
    EXPECT_EQ(descriptions["rigidBodies"].size(), 4u);
    EXPECT_EQ(descriptions["markerSets"][0]["markers"][5].text, "Wand_6");
    EXPECT_EQ(descriptions["skeletons"][1]["bones"][4]["name"].text, "RightFoot");
    EXPECT_EQ(descriptions["forcePlates"].size(), 3u);  // two plates and the analog device

    const RunResult info = RunProgram(Command(kCli, {"info", kServer}), kRunTimeout);
    ASSERT_EQ(info.exitCode, 0);
    EXPECT_NE(info.output.find("server protocol version   4.0.56.34"), std::string::npos);
    EXPECT_NE(info.output.find("transport     unicast"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("rigid bodies 4, skeletons 2, force plates 2"), std::string::npos);

    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
}

TEST(CliStream, SummaryCountsMalformedDatagrams) {
    auto sim = StartSim({"--rate", "50", "--duration", "30"});
    ChildProcess stream(Command(kCli, {"stream", kServer, "--duration", "2"}));
    ASSERT_TRUE(stream.WaitForOutput("streaming from", kSimStartTimeout)) << stream.Errors();
    // From the server's address to the client's data port: three too short, two with a wrong
    // magic, one whose fragment length disagrees with its size.
    sim::UdpSocket socket;
    uint32_t loopback = 0;
    ASSERT_TRUE(sim::ParseIPv4(kServer, &loopback));
    ASSERT_TRUE(socket.Open(loopback, 0)) << socket.Error();
    std::vector<std::vector<uint8_t>> bad(3, std::vector<uint8_t>(7, 0));
    std::vector<uint8_t> header = {0x51, 0xF9, 0, 0, 4, 0, 0, 0, 103, 0,
                                   4,    0,    0, 0, 0, 0, 1, 2, 3,   4};
    std::vector<uint8_t> wrongMagic = header;
    wrongMagic[0] = 0x52;
    bad.push_back(wrongMagic);
    bad.push_back(wrongMagic);
    std::vector<uint8_t> wrongLength = header;
    wrongLength[10] = 9;
    bad.push_back(wrongLength);
    for (const auto& datagram : bad) {
        ASSERT_TRUE(socket.SendTo(loopback, 5231, datagram.data(), datagram.size()));
    }
    ASSERT_EQ(stream.Wait(kRunTimeout), 0) << stream.Errors();
    EXPECT_EQ(SummaryCount(stream.Output(), "malformed datagrams"), 6) << stream.Output();
    EXPECT_GT(FramesReceived(stream.Output()), 20);
    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
}

// Multicast only inside a network namespace of the test's own, with a route for the groups on
// its loopback interface.
TEST(CliStream, MulticastInsideAPrivateNetworkNamespace) {
    const std::string setup =
        "ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo && "
        "hostname localhost";
    if (RunProgram({"/bin/sh", "-c", "unshare -rnu sh -c '" + setup + "'"}, kRunTimeout).exitCode !=
        0) {
        GTEST_SKIP() << "this machine cannot create a private network namespace";
    }
    const std::string script =
        setup +
        " && { \"$0\" --multicast --duration 20 >/dev/null 2>&1 & }"
        " && sim=$! && sleep 1 && \"$1\" info 127.0.0.1 && "
        "\"$1\" stream 127.0.0.1 --frames 40 --duration 15 --json; status=$?;"
        " kill -INT $sim; wait $sim; exit $status";
    const RunResult r =
        RunProgram({"unshare", "-rnu", "sh", "-c", script, kSim, kCli}, kRunTimeout);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.output.find("transport     multicast, frames to group 239.239.239.52"),
              std::string::npos)
        << r.output;
    const size_t firstFrame = r.output.find("{\"frame\"");
    ASSERT_NE(firstFrame, std::string::npos);
    const std::vector<Json> frames = JsonLines(r.output.substr(firstFrame));
    EXPECT_GT(frames.size(), 30u);
    EXPECT_EQ(SummaryCount(r.errors, "malformed datagrams"), 0);
}

}  // namespace
}  // namespace mirav::test

namespace mirav::test {
namespace {

TEST(CliStream, StatsReportTheLibrarysCountsOfAnImpairedStream) {
    auto sim = StartSim(
        {"--rate", "100", "--duration", "30", "--typical", "--burst-loss", "0.3", "--seed", "5"});
    const RunResult r = RunProgram(
        Command(kCli, {"stream", kServer, "--frames", "100", "--json", "--stats"}), kRunTimeout);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    std::vector<Json> lines = JsonLines(r.output);
    ASSERT_GT(lines.size(), 20u) << r.errors;
    const Json stats = lines.back()["statistics"];
    lines.pop_back();
    const long long delivered = stats["framesDelivered"].Int();
    // The library may deliver a frame or two more before the tool disconnects.
    EXPECT_EQ(FramesReceived(r.errors), 100);
    EXPECT_GE(delivered, 100);
    EXPECT_EQ(static_cast<long long>(lines.size()) +
                  SummaryCount(r.errors, "frames dropped by the queue"),
              100);
    // Runs of lost datagrams leave frames incomplete and numbers missing; both are counted.
    EXPECT_GT(stats["messagesAbandoned"].Int(), 0);
    EXPECT_GT(stats["framesMissing"].Int(), 0);
    EXPECT_EQ(SummaryCount(r.errors, "frames missing (gaps in frame numbers)"),
              stats["framesMissing"].Int());
    EXPECT_EQ(SummaryCount(r.errors, "messages abandoned incomplete"),
              stats["messagesAbandoned"].Int());
    EXPECT_GT(stats["datagramsReceived"].Int(), delivered);

    // --stats belongs to --json.
    const RunResult alone = RunProgram(Command(kCli, {"stream", kServer, "--stats"}), kRunTimeout);
    EXPECT_EQ(alone.exitCode, 2);
}

}  // namespace
}  // namespace mirav::test
