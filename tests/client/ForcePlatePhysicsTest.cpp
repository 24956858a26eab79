// Loads with known force, point of application and free moment go through the simulated plates
// and the client computation; what comes out must be the load, seen in room coordinates.
#include <gtest/gtest.h>

#include "ForcePlateTestSupport.h"
#include "client/ForcePlates.h"

namespace {

using forceplatetest::DescriptionsOf;
using forceplatetest::FrameWith;
using forceplatetest::Rotate;
using forceplatetest::RotationMatrix;
using forceplatetest::Vec;
using mirav::sim::PlateLoad;
using mirav::sim::PlateSetup;

std::vector<sForcePlateDescription> TiltedPlates() {
    PlateSetup eight;
    eight.plateKind = 3;
    eight.channelScale = -2;
    eight.origin[0] = 1.5f;
    eight.origin[1] = -0.25f;
    eight.origin[2] = 0.01f;
    eight.geometry[0] = 0.2f;
    eight.geometry[1] = 0.3f;
    eight.geometry[2] = 0.04f;
    RotationMatrix(0.52, 0.1, eight.orientation);
    const float eightCalibration[8] = {240, 260, 255, 245, 510, 490, 505, 495};
    std::memcpy(eight.calibration, eightCalibration, sizeof(eightCalibration));

    PlateSetup six;
    six.plateKind = 4;
    six.channelScale = -1;
    six.origin[0] = -0.5f;
    six.origin[1] = 2.0f;
    six.origin[2] = 0.0f;
    six.geometry[0] = 0.003f;
    six.geometry[1] = -0.002f;
    six.geometry[2] = 0.045f;
    RotationMatrix(-1.9, -0.05, six.orientation);
    const float sixCalibration[8] = {200, 210, 400, 0.1f, 0.12f, 0.05f, 0, 0};
    std::memcpy(six.calibration, sixCalibration, sizeof(sixCalibration));

    return {mirav::sim::DescribePlate(eight), mirav::sim::DescribePlate(six)};
}

PlateLoad Load(Vec force, double px, double py, double freeMoment) {
    PlateLoad load;
    load.force[0] = force.x;
    load.force[1] = force.y;
    load.force[2] = force.z;
    load.point[0] = px;
    load.point[1] = py;
    load.freeMoment = freeMoment;
    return load;
}

void ExpectDelivers(const sForcePlateData& got, const sForcePlateDescription& plate,
                    const PlateLoad& load) {
    const Vec force = Rotate(plate.orientation, {load.force[0], load.force[1], load.force[2]});
    const Vec point = Rotate(plate.orientation, {load.point[0], load.point[1], 0.0});
    const Vec twist = Rotate(plate.orientation, {0.0, 0.0, load.freeMoment});
    EXPECT_NEAR(got.fx, force.x, 0.05);
    EXPECT_NEAR(got.fy, force.y, 0.05);
    EXPECT_NEAR(got.fz, force.z, 0.05);
    EXPECT_NEAR(got.copX, point.x + plate.origin[0], 1e-4);
    EXPECT_NEAR(got.copY, point.y + plate.origin[1], 1e-4);
    EXPECT_NEAR(got.copZ, point.z + plate.origin[2], 1e-4);
    EXPECT_NEAR(got.tz, twist.z, 0.05);
}

TEST(ForcePlatePhysics, DeliversAppliedLoadsOfBothPlateKindsInRoomCoordinates) {
    auto plates = TiltedPlates();
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);

    // The first frame finds both plates empty and sets the zero level.
    std::vector<float> unloaded;
    mirav::sim::AppendPlatesChannels(plates, {}, unloaded);
    auto first = FrameWith(1, unloaded);
    sForcePlates result;
    ASSERT_EQ(forcePlates.Compute(first.get(), &result), 0);
    ASSERT_EQ(result.forcePlateCount, 2);
    for (int p = 0; p < 2; ++p) ExpectDelivers(result.forcePlates[p], plates[p], PlateLoad{});

    const std::vector<std::vector<PlateLoad>> steps = {
        {Load({0, 0, 700}, 0.05, -0.1, 0), Load({0, 0, 300}, -0.12, 0.08, 0)},
        {Load({35, -80, 650}, -0.15, 0.22, 1.5), Load({-20, 45, 820}, 0.1, 0.1, -2.0)},
        {Load({-120, 60, 400}, 0.18, -0.27, -3.0), Load({90, 0, 150}, 0.0, -0.2, 0.7)},
    };
    int frameNumber = 2;
    for (const auto& loads : steps) {
        std::vector<float> channels;
        mirav::sim::AppendPlatesChannels(plates, loads, channels);
        auto frame = FrameWith(frameNumber, channels);
        ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
        EXPECT_EQ(result.frameNumber, frameNumber);
        ASSERT_EQ(result.forcePlateCount, 2);
        EXPECT_EQ(frame->analogDataCount, 0);
        for (int p = 0; p < 2; ++p) {
            SCOPED_TRACE(testing::Message() << "frame " << frameNumber << " plate " << p);
            ExpectDelivers(result.forcePlates[p], plates[p], loads[p]);
        }
        ++frameNumber;
    }
}

TEST(ForcePlatePhysics, FirstFrameIsTheZeroLevelEvenUnderLoad) {
    auto plates = TiltedPlates();
    plates.resize(1);
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);

    const PlateLoad standing = Load({10, 20, 600}, 0.1, 0.1, 0);
    std::vector<float> loaded;
    mirav::sim::AppendPlatesChannels(plates, {standing}, loaded);
    sForcePlates result;
    for (int frameNumber = 1; frameNumber <= 2; ++frameNumber) {
        auto frame = FrameWith(frameNumber, loaded);
        ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
        EXPECT_FLOAT_EQ(result.forcePlates[0].fx, 0.0f);
        EXPECT_FLOAT_EQ(result.forcePlates[0].fy, 0.0f);
        EXPECT_FLOAT_EQ(result.forcePlates[0].fz, 0.0f);
    }
    EXPECT_TRUE(forcePlates.BaselineCaptured());

    // Stepping off now reads as the opposite load; preparing again keeps the zero level.
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);
    std::vector<float> empty;
    mirav::sim::AppendPlatesChannels(plates, {}, empty);
    auto frame = FrameWith(3, empty);
    ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
    const Vec pulled = Rotate(plates[0].orientation, {-10, -20, -600});
    EXPECT_NEAR(result.forcePlates[0].fx, pulled.x, 0.05);
    EXPECT_NEAR(result.forcePlates[0].fy, pulled.y, 0.05);
    EXPECT_NEAR(result.forcePlates[0].fz, pulled.z, 0.05);
}

TEST(ForcePlatePhysics, WithoutVerticalForceTheCentreOfPressureIsTheOrigin) {
    auto plates = TiltedPlates();
    std::swap(plates[0], plates[1]);  // the six-channel plate first
    plates.resize(1);
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);

    std::vector<float> empty;
    mirav::sim::AppendPlatesChannels(plates, {}, empty);
    sForcePlates result;
    auto first = FrameWith(1, empty);
    ASSERT_EQ(forcePlates.Compute(first.get(), &result), 0);

    // A purely horizontal push at the reference point, with a twist.
    const PlateLoad push = Load({40, -25, 0}, 0, 0, 3.0);
    std::vector<float> channels;
    mirav::sim::AppendPlatesChannels(plates, {push}, channels);
    auto frame = FrameWith(2, channels);
    ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
    const sForcePlateData& got = result.forcePlates[0];
    EXPECT_FLOAT_EQ(got.copX, plates[0].origin[0]);
    EXPECT_FLOAT_EQ(got.copY, plates[0].origin[1]);
    EXPECT_FLOAT_EQ(got.copZ, plates[0].origin[2]);
    const Vec force = Rotate(plates[0].orientation, {40, -25, 0});
    EXPECT_NEAR(got.fx, force.x, 0.01);
    EXPECT_NEAR(got.fy, force.y, 0.01);
    EXPECT_NEAR(got.tz, Rotate(plates[0].orientation, {0, 0, 3.0}).z, 0.01);

    // The unloaded plate: no force, centre of pressure at the origin.
    auto rest = FrameWith(3, empty);
    ASSERT_EQ(forcePlates.Compute(rest.get(), &result), 0);
    EXPECT_EQ(result.forcePlates[0].fz, 0.0f);
    EXPECT_FLOAT_EQ(result.forcePlates[0].copX, plates[0].origin[0]);
    EXPECT_FLOAT_EQ(result.forcePlates[0].copY, plates[0].origin[1]);
}

}  // namespace
