// mirav-cli record, then mirav-sim --replay of the recording: a client sees the recorded frames
// again, in the same order, with the same content.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "CaptureFile.h"
#include "Scene.h"
#include "ToolsSupport.h"

namespace mirav::test {
namespace {

// Frame numbers of the frame messages in a capture, in arrival order.
std::vector<long long> RecordedFrameNumbers(const std::string& path,
                                            capture::CaptureHeader* header) {
    std::vector<capture::CapturedDatagram> datagrams;
    std::string error;
    EXPECT_TRUE(capture::ReadCapture(path, *header, datagrams, error)) << error;
    std::vector<long long> numbers;
    for (const capture::CapturedDatagram& d : datagrams) {
        const std::vector<uint8_t>& b = d.bytes;
        // Frame message (103), first fragment: the body opens with the frame number.
        if (d.channel == capture::kDataChannel && b.size() >= 20 && b[8] == 103 && b[9] == 0) {
            numbers.push_back(static_cast<int32_t>(b[16] | (b[17] << 8) | (b[18] << 16) |
                                                   (static_cast<uint32_t>(b[19]) << 24)));
        }
    }
    return numbers;
}

TEST(RecordReplay, ReplayReproducesTheRecordedFramesInOrder) {
    const std::string path = ::testing::TempDir() + "mirav_record_replay.mcap";
    std::remove(path.c_str());
    {
        auto sim = StartSim({"--rate", "200", "--duration", "30"});
        const RunResult recorded =
            RunProgram(Command(kCli, {"record", kServer, path, "--duration", "1"}), kRunTimeout);
        ASSERT_EQ(recorded.exitCode, 0) << recorded.errors;
        EXPECT_NE(recorded.output.find("frames) in 1."), std::string::npos) << recorded.output;
        sim->Interrupt();
        EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
    }
    capture::CaptureHeader header;
    const std::vector<long long> recorded = RecordedFrameNumbers(path, &header);
    ASSERT_GT(recorded.size(), 100u);
    EXPECT_EQ(header.serverAddress, 0x7F000001u);
    EXPECT_FALSE(header.multicast);

    // At twice the speed; the simulator ends by itself after one play-through.
    auto replay = StartSim({"--replay", path, "--speed", "2", "--duration", "30"});
    const RunResult streamed =
        RunProgram(Command(kCli, {"stream", kServer, "--frames", std::to_string(recorded.size()),
                                  "--duration", "20", "--json"}),
                   kRunTimeout);
    ASSERT_EQ(streamed.exitCode, 0) << streamed.errors;
    EXPECT_EQ(replay->Wait(std::chrono::seconds(20)), 0);
    EXPECT_NE(replay->Output().find("stopped after " + std::to_string(recorded.size()) + " frames"),
              std::string::npos)
        << replay->Output();

    const std::vector<Json> frames = JsonLines(streamed.output);
    std::vector<long long> numbers;
    sim::Scene scene(200.0);
    for (const Json& frame : frames) {
        numbers.push_back(frame["frame"].Int());
        // The recording came from the scene, so the frame content is the scene's.
        const sim::FrameScene sent = scene.Frame(static_cast<int32_t>(numbers.back()));
        ASSERT_EQ(frame["rigidBodies"].size(), sent.rigidBodies.size());
        EXPECT_EQ(frame["rigidBodies"][2]["position"][1].Float(), sent.rigidBodies[2].y);
        EXPECT_EQ(frame["skeletons"][0]["bones"][3]["position"][0].Float(),
                  sent.skeletons[0].bones[3].x);
    }
    EXPECT_EQ(numbers, recorded);
    // The replay answered the description request from the recording: names are known.
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0]["rigidBodies"][0]["name"].text, "RigidBody1");

    // A capture file that is cut short keeps its complete records; a foreign file is refused.
    {
        std::FILE* cut = std::fopen(path.c_str(), "rb+");
        ASSERT_NE(cut, nullptr);
        std::fseek(cut, 0, SEEK_END);
        const long size = std::ftell(cut);
        std::fclose(cut);
        ASSERT_EQ(truncate(path.c_str(), size - 7), 0);
        capture::CaptureHeader h;
        std::vector<capture::CapturedDatagram> datagrams;
        std::string error;
        bool truncated = false;
        EXPECT_TRUE(capture::ReadCapture(path, h, datagrams, error, &truncated));
        EXPECT_TRUE(truncated);
        EXPECT_FALSE(datagrams.empty());
        const RunResult foreign =
            RunProgram(Command(kSim, {"--replay", MIRAV_SIM_PROGRAM}), kRunTimeout);
        EXPECT_EQ(foreign.exitCode, 1);
        EXPECT_NE(foreign.errors.find("is not a mirav capture file"), std::string::npos)
            << foreign.errors;
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace mirav::test
