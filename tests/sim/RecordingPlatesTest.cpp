// The plates of a C3D take, sent through the frame and description encoders, decoded by the
// library and computed by the client's force plate code, against forces and centres of pressure
// computed here directly from the file's calibrated channels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "C3dReader.h"
#include "Recording.h"
#include "RecordingPlates.h"
#include "client/ForcePlates.h"
#include "mirav/MiravUtilities.h"
#include "protocol/DescriptionDecoder.h"
#include "protocol/FrameDecoder.h"
#include "sim/PlateReference.h"
#include "sim/RecordingData.h"

namespace mirav::sim {
namespace {

constexpr double kLoadedNewtons = 50.0;
constexpr uint32_t kServerVersion = 4;

struct Agreement {
    int loadedSamples = 0;
    double maxForceError = 0;  // relative to the reference vertical force
    double maxCopError = 0;    // mm
    double maxCopShare = 0;    // relative to the plate's longer side
    double peakForce[2] = {};  // largest vertical force the client computed, per plate
    bool copOnPlate = true;    // every loaded centre of pressure lies on the plate
};

bool InsideCorners(const C3dForcePlatform& plate, double x, double y) {
    double low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
    for (const auto& c : plate.corners) {
        for (int k = 0; k < 2; ++k) {
            low[k] = std::min(low[k], c[k]);
            high[k] = std::max(high[k], c[k]);
        }
    }
    return x >= low[0] && x <= high[0] && y >= low[1] && y <= high[1];
}

Agreement StreamThroughClient(const std::string& name) {
    C3dFile file;
    RecordedTake take;
    std::string error;
    EXPECT_TRUE(ReadC3dFile(test::RecordingPath(name), file, error)) << error;
    EXPECT_TRUE(LoadC3dTake(test::RecordingPath(name), take, error)) << error;

    const std::vector<uint8_t> body = TakeDescriptionData(take);
    sDataDescriptions* descriptions = nullptr;
    EXPECT_EQ(
        DecodeDescriptions(body.data(), static_cast<int32_t>(body.size()), &descriptions, nullptr),
        0);
    ForcePlates client;
    EXPECT_EQ(client.Prepare(descriptions), 0);
    Solvanta_FreeDescriptions(descriptions);

    Agreement result;
    for (size_t i = 0; i < take.FrameCount(); ++i) {
        const std::vector<uint8_t> frameBody = TakeFrameBody(take, static_cast<int32_t>(i + 1));
        sFrameOfMocapData* frame = nullptr;
        EXPECT_EQ(DecodeFrame(frameBody.data(), static_cast<int32_t>(frameBody.size()),
                              kServerVersion, &frame, nullptr),
                  0);
        if (!frame) break;
        sForcePlates plates{};
        EXPECT_EQ(client.Compute(frame, &plates), 0);
        EXPECT_EQ(plates.forcePlateCount, static_cast<int>(file.platforms.size()));
        // Only the channels that are not a plate's stay in the frame.
        int plateChannels = 0;
        for (const C3dForcePlatform& plate : file.platforms)
            plateChannels += plate.type == 3 ? 8 : 6;
        EXPECT_EQ(frame->analogDataCount, file.analogChannelCount - plateChannels);
        for (int p = 0; p < plates.forcePlateCount; ++p) {
            const C3dForcePlatform& plate = file.platforms[p];
            const Reference ref = ReferencePlate(file, plate, static_cast<int>(i));
            if (std::fabs(ref.force[2]) < kLoadedNewtons) continue;
            const sForcePlateData& got = plates.forcePlates[p];
            ++result.loadedSamples;
            if (p < 2) result.peakForce[p] = std::max<double>(result.peakForce[p], got.fz);
            result.copOnPlate = result.copOnPlate && InsideCorners(plate, got.copX, got.copY);
            result.maxForceError = std::max(
                result.maxForceError, std::fabs(got.fz - ref.force[2]) / std::fabs(ref.force[2]));
            const double dx = got.copX - ref.cop[0], dy = got.copY - ref.cop[1],
                         dz = got.copZ - ref.cop[2];
            const double copError = std::sqrt(dx * dx + dy * dy + dz * dz);
            const double side = std::max(std::hypot(plate.corners[0][0] - plate.corners[1][0],
                                                    plate.corners[0][1] - plate.corners[1][1]),
                                         std::hypot(plate.corners[0][0] - plate.corners[3][0],
                                                    plate.corners[0][1] - plate.corners[3][1]));
            result.maxCopError = std::max(result.maxCopError, copError);
            result.maxCopShare = std::max(result.maxCopShare, copError / side);
        }
        ReleaseDecodedFrame(frame);
    }
    std::printf(
        "%s: %d loaded plate samples, max vertical force error %.2e, max centre of "
        "pressure error %.4f mm (%.4f %% of the plate side); peak vertical force %.0f N, %.0f N\n",
        name.c_str(), result.loadedSamples, result.maxForceError, result.maxCopError,
        100 * result.maxCopShare, result.peakForce[0], result.peakForce[1]);
    return result;
}

TEST(RecordingPlates, SixChannelPlatesMatchTheFileThroughTheClientComputation) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    const Agreement a = StreamThroughClient("Walk1.c3d");
    EXPECT_GT(a.loadedSamples, 40);
    // Upward in the lab, close to the peaks of the raw-rate channels (956 N, 1012 N): one value
    // per frame is the mean of the frame's 16 samples.
    EXPECT_NEAR(a.peakForce[0], 956, 956 * 0.03);
    EXPECT_NEAR(a.peakForce[1], 1012, 1012 * 0.03);
    EXPECT_TRUE(a.copOnPlate);
    EXPECT_LT(a.maxForceError, 0.01);
    EXPECT_LT(a.maxCopShare, 0.01);
}

TEST(RecordingPlates, EightChannelPlatesMatchTheFileThroughTheClientComputation) {
    MIRAV_REQUIRE_RECORDING("Capture0004.c3d");
    const Agreement a = StreamThroughClient("Capture0004.c3d");
    EXPECT_GT(a.loadedSamples, 200);
    EXPECT_NEAR(a.peakForce[0], 474, 474 * 0.03);
    EXPECT_NEAR(a.peakForce[1], 509, 509 * 0.03);
    EXPECT_TRUE(a.copOnPlate);
    EXPECT_LT(a.maxForceError, 0.01);
    EXPECT_LT(a.maxCopShare, 0.01);
}

}  // namespace
}  // namespace mirav::sim
