// mirav-sim --c3d and --bvh streamed to mirav-cli: force plates agree with the file's own plate
// definition, markers and skeletons equal the file's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "C3dReader.h"
#include "Recording.h"
#include "ToolsSupport.h"
#include "sim/PlateReference.h"
#include "sim/RecordingData.h"

namespace mirav::test {
namespace {

constexpr double kLoadedNewtons = 50.0;

double PlateSide(const sim::C3dForcePlatform& plate) {
    const auto& c = plate.corners;
    return std::max(std::hypot(c[0][0] - c[1][0], c[0][1] - c[1][1]),
                    std::hypot(c[0][0] - c[3][0], c[0][1] - c[3][1]));
}

// Streams that many frames of the take as JSON (the duration only bounds a slow run).
std::vector<Json> StreamTake(const std::vector<std::string>& simArgs, size_t frames) {
    auto sim = StartSim(simArgs);
    const RunResult r =
        RunProgram(Command(kCli, {"stream", kServer, "--frames", std::to_string(frames),
                                  "--duration", "50", "--json"}),
                   kRunTimeout);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    sim->Interrupt();
    EXPECT_EQ(sim->Wait(std::chrono::seconds(10)), 0);
    return JsonLines(r.output);
}

void ExpectPlatesMatchTheFile(const std::string& name, int minimumSamples) {
    sim::C3dFile file;
    sim::RecordedTake take;
    std::string error;
    ASSERT_TRUE(sim::ReadC3dFile(RecordingPath(name), file, error)) << error;
    ASSERT_TRUE(sim::LoadC3dTake(RecordingPath(name), take, error)) << error;
    // One pass through the take at the file's own rate.
    const std::vector<Json> frames =
        StreamTake({"--c3d", RecordingPath(name), "--duration", "60"}, take.FrameCount());
    ASSERT_EQ(frames.size(), take.FrameCount()) << name;
    int loaded = 0;
    double worstForce = 0, worstCop = 0;
    for (const Json& frame : frames) {
        const auto index = static_cast<int>((frame["frame"].Int() - 1) %
                                            static_cast<long long>(take.FrameCount()));
        const Json& plates = frame["forcePlates"];
        ASSERT_EQ(plates.size(), file.platforms.size());
        for (size_t p = 0; p < file.platforms.size(); ++p) {
            const sim::Reference ref = sim::ReferencePlate(file, file.platforms[p], index);
            if (std::fabs(ref.force[2]) < kLoadedNewtons) continue;
            ++loaded;
            const Json& got = plates[p];
            worstForce = std::max(worstForce, std::fabs(got["force"][2].Number() - ref.force[2]) /
                                                  std::fabs(ref.force[2]));
            const double dx = got["centreOfPressure"][0].Number() - ref.cop[0];
            const double dy = got["centreOfPressure"][1].Number() - ref.cop[1];
            worstCop = std::max(worstCop, std::hypot(dx, dy) / PlateSide(file.platforms[p]));
        }
    }
    EXPECT_GE(loaded, minimumSamples) << name;
    EXPECT_LT(worstForce, 0.01) << name;
    EXPECT_LT(worstCop, 0.01) << name;
}

TEST(Takes, C3dForcePlatesMatchTheFileWithinOnePercent) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    MIRAV_REQUIRE_RECORDING("Capture0004.c3d");
    ExpectPlatesMatchTheFile("Walk1.c3d", 40);         // six-channel plates, 2.5 s
    ExpectPlatesMatchTheFile("Capture0004.c3d", 200);  // eight-channel plates, 1.9 s
}

TEST(Takes, C3dMarkersAndBvhSkeletonEqualTheFile) {
    MIRAV_REQUIRE_RECORDING("01_01.c3d");
    MIRAV_REQUIRE_RECORDING("cmu_mb_01_01.bvh");
    std::string error;
    sim::RecordedTake markers;
    ASSERT_TRUE(sim::LoadTake(RecordingPath("01_01.c3d"), markers, error)) << error;
    const std::vector<Json> markerFrames =
        StreamTake({"--c3d", RecordingPath("01_01.c3d"), "--rate", "500", "--duration", "60"}, 200);
    ASSERT_EQ(markerFrames.size(), 200u);
    for (const Json& frame : markerFrames) {
        const auto n = frame["frame"].Int();
        const sim::RecordedFrame& file =
            markers.frames[static_cast<size_t>(n - 1) % markers.FrameCount()];
        const Json& set = frame["markerSets"][0];
        ASSERT_EQ(set["name"].text, markers.markerSetName);
        ASSERT_EQ(set["markers"].size(), file.markerSetPositions.size());
        for (size_t m = 0; m < file.markerSetPositions.size(); ++m) {
            ASSERT_EQ(set["markers"][m][0].Float(), file.markerSetPositions[m].x) << n << " " << m;
            ASSERT_EQ(set["markers"][m][1].Float(), file.markerSetPositions[m].y);
            ASSERT_EQ(set["markers"][m][2].Float(), file.markerSetPositions[m].z);
        }
        ASSERT_EQ(frame["labeledMarkers"].size(), file.labeledMarkers.size());
        for (size_t m = 0; m < file.labeledMarkers.size(); ++m) {
            ASSERT_EQ(frame["labeledMarkers"][m]["position"][1].Float(), file.labeledMarkers[m].y);
        }
        // The timecode is the file's, from its own frame numbers and rate.
        const uint32_t timecode = file.timecode, subframe = file.timecodeSubframe;
        char text[32];
        std::snprintf(text, sizeof(text), "%02u:%02u:%02u:%02u.%u", timecode >> 24,
                      (timecode >> 16) & 0xFF, (timecode >> 8) & 0xFF, timecode & 0xFF, subframe);
        ASSERT_EQ(frame["timecode"].text, text);
    }

    sim::RecordedTake skeleton;
    ASSERT_TRUE(sim::LoadTake(RecordingPath("cmu_mb_01_01.bvh"), skeleton, error)) << error;
    const std::vector<Json> skeletonFrames = StreamTake(
        {"--bvh", RecordingPath("cmu_mb_01_01.bvh"), "--rate", "500", "--duration", "60"}, 200);
    ASSERT_EQ(skeletonFrames.size(), 200u);
    for (const Json& frame : skeletonFrames) {
        const auto n = frame["frame"].Int();
        const sim::RecordedFrame& file =
            skeleton.frames[static_cast<size_t>(n - 1) % skeleton.FrameCount()];
        const Json& s = frame["skeletons"][0];
        ASSERT_EQ(s["name"].text, skeleton.skeletonName);
        ASSERT_EQ(s["bones"].size(), file.bones.size());
        for (size_t b = 0; b < file.bones.size(); ++b) {
            const Json& bone = s["bones"][b];
            const sim::RecordedBone& want = file.bones[b];
            ASSERT_EQ(bone["id"].Int(), want.id);
            ASSERT_EQ(bone["name"].text, want.name);
            ASSERT_EQ(bone["position"][0].Float(), want.x) << n << " " << want.name;
            ASSERT_EQ(bone["position"][1].Float(), want.y);
            ASSERT_EQ(bone["position"][2].Float(), want.z);
            ASSERT_EQ(bone["orientation"][0].Float(), want.qx);
            ASSERT_EQ(bone["orientation"][1].Float(), want.qy);
            ASSERT_EQ(bone["orientation"][2].Float(), want.qz);
            ASSERT_EQ(bone["orientation"][3].Float(), want.qw);
        }
    }
}

}  // namespace
}  // namespace mirav::test
