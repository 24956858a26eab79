#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "BvhReader.h"
#include "C3dReader.h"
#include "Recording.h"
#include "sim/RecordingData.h"

namespace mirav::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A two-joint chain with an End Site, a root channel order other than the usual one, and mixed
// line ends.
const char* const kSmallBvh =
    "HIERARCHY\r\nROOT Pelvis\n{\r\n  OFFSET 1 2 3\r\n"
    "  CHANNELS 6 Xrotation Zposition Yposition Xposition Yrotation Zrotation\n"
    "  JOINT Thigh\r\n  {\r\n    OFFSET 0 -10 0\r\n    CHANNELS 3 Zrotation Xrotation Yrotation\r\n"
    "    End Site\r\n    {\r\n      OFFSET 0 -5 0\r\n    }\r\n  }\r\n}\r\n"
    "MOTION\nFrames: 2\r\nFrame Time: 0.01\r\n"
    "0 0 0 0 0 0 0 0 0\r\n"
    "90 30 20 10 0 0 0 0 90\n";

// Rotation matrix about one axis (0 x, 1 y, 2 z), degrees.
void AxisMatrix(int axis, double degrees, double m[3][3]) {
    const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) m[r][k] = r == k ? 1 : 0;
    }
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    m[a][a] = c;
    m[a][b] = -s;
    m[b][a] = s;
    m[b][b] = c;
}

void Multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
    double t[3][3] = {};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) t[r][c] += a[r][k] * b[k][c];
        }
    }
    std::copy(&t[0][0], &t[0][0] + 9, &out[0][0]);
}

void QuaternionMatrix(const double* q, double m[3][3]) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double rows[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                               {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                               {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    std::copy(&rows[0][0], &rows[0][0] + 9, &m[0][0]);
}

TEST(BvhReader, ParsesHierarchyChannelsAndMixedLineEnds) {
    BvhFile f;
    std::string error;
    ASSERT_TRUE(ParseBvh(kSmallBvh, f, error)) << error;
    ASSERT_EQ(f.joints.size(), 2u);
    EXPECT_EQ(f.joints[1].name, "Thigh");
    EXPECT_EQ(f.joints[1].parent, 0);
    EXPECT_EQ(f.joints[1].firstChannel, 6u);
    EXPECT_EQ(f.joints[1].endSites.size(), 1u);
    EXPECT_EQ(f.channelCount, 9u);
    EXPECT_EQ(f.frameCount, 2u);
    EXPECT_DOUBLE_EQ(f.frameTime, 0.01);

    // Frame 2: root at offset + (10, 20, 30), turned 90 degrees about x; the thigh turned 90
    // degrees about its y. Its world position: root + Rx(90) * (0, -10, 0) = root + (0, 0, -10).
    const auto poses = ComputeBvhPoses(f, 1);
    EXPECT_NEAR(poses[0].position[0], 11, 1e-12);
    EXPECT_NEAR(poses[0].position[1], 22, 1e-12);
    EXPECT_NEAR(poses[0].position[2], 33, 1e-12);
    EXPECT_NEAR(poses[1].position[0], 11, 1e-12);
    EXPECT_NEAR(poses[1].position[1], 22, 1e-12);
    EXPECT_NEAR(poses[1].position[2], 23, 1e-12);
    // World rotation Rx(90) * Ry(90) as a quaternion.
    const double expected[4] = {0.5, 0.5, 0.5, 0.5};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(poses[1].rotation[k], expected[k], 1e-12) << k;
}

TEST(BvhReader, RefusesMalformedTextWithTheLine) {
    const std::string good = kSmallBvh;
    BvhFile f;
    std::string error;
    // Cuts inside the last number would still leave a valid (shorter) number.
    for (size_t length = 0; length < good.size() - 4; ++length) {
        EXPECT_FALSE(ParseBvh(good.substr(0, length), f, error)) << "length " << length;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(
        ParseBvh("HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Wrotation\n}\n", f, error));
    EXPECT_NE(error.find("line 5"), std::string::npos) << error;
    const std::string hugeFrames =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition "
        "Yposition Zposition\n}\nMOTION\nFrames: 999999999999\n"
        "Frame Time: 0.1\n1 2 3\n";
    EXPECT_FALSE(ParseBvh(hugeFrames, f, error));
    std::string deep = "HIERARCHY\nROOT A\n";
    for (int i = 0; i < 1000; ++i) deep += "{ OFFSET 0 0 0 JOINT B\n";
    EXPECT_FALSE(ParseBvh(deep, f, error));
    EXPECT_FALSE(ParseBvh("HIERARCHY ROOT A { OFFSET 0 0 nan } MOTION", f, error));
}

TEST(Recording, TimecodeCountsFromFrameOne) {
    uint32_t tc = 0, sub = 0;
    RecordingTimecode(1, 120, tc, sub);
    EXPECT_EQ(tc, 0u);
    EXPECT_EQ(sub, 0u);
    // Frame 120 * 3661 + 1 at 120 Hz: 01:01:01, timecode frame 0; +7 frames: frame 1, sub-frame 3.
    RecordingTimecode(120 * 3661 + 1 + 7, 120, tc, sub);
    EXPECT_EQ(tc, (1u << 24) | (1u << 16) | (1u << 8) | 1u);
    EXPECT_EQ(sub, 3u);
    // 100 Hz: timecode frames at 25 per second, four capture frames each.
    RecordingTimecode(1 + 99, 100, tc, sub);
    EXPECT_EQ(tc & 0xff, 24u);
    EXPECT_EQ(sub, 3u);
    // A rate no standard one divides counts capture frames directly.
    RecordingTimecode(1 + 70, 71, tc, sub);
    EXPECT_EQ(tc, 70u);
    EXPECT_EQ(sub, 0u);
}

TEST(Recording, C3dMarkersEqualTheFileValues) {
    MIRAV_REQUIRE_RECORDING("01_01.c3d");
    const std::string path = test::RecordingPath("01_01.c3d");
    C3dFile file;
    RecordedTake take;
    std::string error;
    ASSERT_TRUE(ReadC3dFile(path, file, error)) << error;
    ASSERT_TRUE(LoadC3dTake(path, take, error)) << error;
    EXPECT_DOUBLE_EQ(take.frameRate, 120);
    ASSERT_EQ(take.FrameCount(), 2751u);
    EXPECT_EQ(take.markerSetName, "JustinFriday");
    EXPECT_EQ(take.markerNames, file.pointLabels);
    EXPECT_TRUE(take.forcePlates.empty());
    size_t occluded = 0;
    for (size_t f = 0; f < take.FrameCount(); ++f) {
        const RecordedFrame& frame = take.frames[f];
        ASSERT_EQ(frame.frameNumber, 40 + static_cast<int>(f));
        ASSERT_EQ(frame.markerSetPositions.size(), 42u);
        ASSERT_TRUE(frame.analog.empty());
        size_t seen = 0;
        for (int i = 0; i < 42; ++i) {
            const C3dPoint& p = file.Point(static_cast<int>(f), i);
            const Point& q = frame.markerSetPositions[i];
            if (!p.valid) {
                ++occluded;
                ASSERT_EQ(q.x, 0.0f);
                continue;
            }
            ASSERT_EQ(q.x, p.x);
            ASSERT_EQ(q.y, p.y);
            ASSERT_EQ(q.z, p.z);
            ASSERT_LT(seen, frame.labeledMarkers.size());
            const RecordedMarker& m = frame.labeledMarkers[seen++];
            ASSERT_EQ(m.id, i + 1);
            ASSERT_EQ(m.x, p.x);
            ASSERT_EQ(m.y, p.y);
            ASSERT_EQ(m.z, p.z);
        }
        ASSERT_EQ(seen, frame.labeledMarkers.size());
    }
    EXPECT_GT(occluded, 0u);
    EXPECT_FALSE(LoadTake(path + ".txt", take, error));
    EXPECT_FALSE(LoadTake("/nonexistent/take.c3d", take, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    ASSERT_TRUE(LoadTake(path, take, error)) << error;
    // Server frame numbers loop over the take.
    // Server frame numbers loop over the take: frame 2752 plays take frame 1 again (the bodies
    // differ only in the leading frame number).
    std::vector<uint8_t> first = TakeFrameBody(take, 1), again = TakeFrameBody(take, 2752);
    ASSERT_EQ(first.size(), again.size());
    EXPECT_TRUE(std::equal(first.begin() + 4, first.end(), again.begin() + 4));
    EXPECT_NE(first, again);

    // The frame message carries the same values.
    const FrameScene scene = MakeTakeFrameScene(take, 500, 7);
    EXPECT_EQ(scene.frameNumber, 7);
    ASSERT_EQ(scene.markerSets.size(), 1u);
    EXPECT_EQ(scene.markerSets[0].markers[3].y, file.Point(500, 3).y);
    EXPECT_EQ(scene.labeledMarkers.size(), take.frames[500].labeledMarkers.size());
    uint32_t tc, sub;
    RecordingTimecode(540, 120, tc, sub);
    EXPECT_EQ(scene.timecode, tc);
    EXPECT_EQ(scene.timecodeSubframe, sub);
}

TEST(Recording, RepeatedC3dLabelsBecomeUniqueMarkerNames) {
    MIRAV_REQUIRE_RECORDING("Walk1.c3d");
    RecordedTake take;
    std::string error;
    ASSERT_TRUE(LoadC3dTake(test::RecordingPath("Walk1.c3d"), take, error)) << error;
    const std::set<std::string> unique(take.markerNames.begin(), take.markerNames.end());
    EXPECT_EQ(unique.size(), 49u);
    EXPECT_EQ(unique.count("RKNE_2"), 1u);
    EXPECT_EQ(unique.count("VMID_3"), 1u);
    EXPECT_EQ(take.markerSetName, "HelenHayes");
    // Two six-channel plates, then one entry naming the six other inputs.
    ASSERT_EQ(take.forcePlates.size(), 3u);
    EXPECT_EQ(take.forcePlates[0].plateKind, 4);
    EXPECT_STREQ(take.forcePlates[1].channelNames[2], "F2Z");
    EXPECT_EQ(take.forcePlates[2].plateKind, 0);
    EXPECT_EQ(take.forcePlates[2].channelCount, 6);
    EXPECT_EQ(take.frames[0].analog.size(), 18u);
}

TEST(Recording, BvhBonesFollowTheFileAndAHandComputedChain) {
    MIRAV_REQUIRE_RECORDING("cmu_mb_01_01.bvh");
    const std::string path = test::RecordingPath("cmu_mb_01_01.bvh");
    BvhFile file;
    RecordedTake take;
    std::string error;
    ASSERT_TRUE(ReadBvhFile(path, file, error)) << error;
    ASSERT_TRUE(LoadTake(path, take, error)) << error;
    EXPECT_EQ(file.joints.size(), 31u);
    EXPECT_EQ(file.channelCount, 96u);
    size_t endSites = 0;
    for (const BvhJoint& j : file.joints) endSites += j.endSites.size();
    EXPECT_EQ(endSites, 7u);
    EXPECT_DOUBLE_EQ(take.frameRate, 120);
    ASSERT_EQ(take.FrameCount(), 2752u);
    ASSERT_EQ(take.boneDescriptions.size(), 31u);
    EXPECT_STREQ(take.boneDescriptions[2].name, "LeftUpLeg");
    EXPECT_EQ(take.boneDescriptions[2].parentId, 2);
    EXPECT_FLOAT_EQ(take.boneDescriptions[2].offsetY, -1.79463f);

    // The root position is the file's root translation in every frame.
    for (size_t f = 0; f < take.FrameCount(); ++f) {
        const RecordedBone& root = take.frames[f].bones[0];
        ASSERT_EQ(root.x, static_cast<float>(file.Frame(f)[0]));
        ASSERT_EQ(root.y, static_cast<float>(file.Frame(f)[1]));
        ASSERT_EQ(root.z, static_cast<float>(file.Frame(f)[2]));
    }

    // Hips -> LHipJoint -> LeftUpLeg -> LeftLeg in frame 100 with rotation matrices.
    const size_t frame = 100;
    const double* v = file.Frame(frame);
    double rotation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double position[3] = {v[0], v[1], v[2]};
    const int chain[] = {0, 1, 2, 3};
    for (int joint : chain) {
        const BvhJoint& j = file.joints[joint];
        if (joint != 0) {
            for (int r = 0; r < 3; ++r) {
                for (int k = 0; k < 3; ++k) position[r] += rotation[r][k] * j.offset[k];
            }
        }
        const size_t first = j.firstChannel + (joint == 0 ? 3 : 0);
        // Zrotation Yrotation Xrotation
        double m[3][3];
        AxisMatrix(2, v[first], m);
        Multiply(rotation, m, rotation);
        AxisMatrix(1, v[first + 1], m);
        Multiply(rotation, m, rotation);
        AxisMatrix(0, v[first + 2], m);
        Multiply(rotation, m, rotation);
    }
    const RecordedBone& leg = take.frames[frame].bones[3];
    EXPECT_EQ(leg.name, "LeftLeg");
    EXPECT_NEAR(leg.x, position[0], 1e-4);
    EXPECT_NEAR(leg.y, position[1], 1e-4);
    EXPECT_NEAR(leg.z, position[2], 1e-4);
    const double q[4] = {leg.qx, leg.qy, leg.qz, leg.qw};
    double fromQuaternion[3][3];
    QuaternionMatrix(q, fromQuaternion);
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(fromQuaternion[r][k], rotation[r][k], 1e-5);
    }

    // Descriptions and frames as the server sends them.
    DescriptionDataEncoder encoder;
    AddTakeDescriptions(take, encoder);
    EXPECT_EQ(encoder.Count(), 1);
    const FrameScene scene = MakeTakeFrameScene(take, frame, 1);
    ASSERT_EQ(scene.skeletons.size(), 1u);
    ASSERT_EQ(scene.skeletons[0].bones.size(), 31u);
    EXPECT_EQ(scene.skeletons[0].bones[3].x, leg.x);
    EXPECT_EQ(scene.skeletons[0].bones[3].qw, leg.qw);
}

}  // namespace
}  // namespace mirav::sim
