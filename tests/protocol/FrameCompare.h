// Field-by-field comparison of a decoded frame with the scene it was encoded from.
#ifndef MIRAV_TESTS_PROTOCOL_FRAME_COMPARE_H
#define MIRAV_TESTS_PROTOCOL_FRAME_COMPARE_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EncodersFrame.h"
#include "mirav/MiravTypes.h"

namespace mirav::test {

inline void ExpectPoint(const MarkerData& actual, const sim::Point& expected) {
    EXPECT_EQ(actual[0], expected.x);
    EXPECT_EQ(actual[1], expected.y);
    EXPECT_EQ(actual[2], expected.z);
}

inline void ExpectRigidBody(const sRigidBodyData& actual, const sim::RigidBodyPose& expected) {
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
    EXPECT_EQ(actual.qx, expected.qx);
    EXPECT_EQ(actual.qy, expected.qy);
    EXPECT_EQ(actual.qz, expected.qz);
    EXPECT_EQ(actual.qw, expected.qw);
    ASSERT_EQ(actual.markerCount, static_cast<int32_t>(expected.markers.size()));
    ASSERT_NE(actual.markers, nullptr);
    ASSERT_NE(actual.markerIds, nullptr);
    ASSERT_NE(actual.markerSizes, nullptr);
    for (size_t m = 0; m < expected.markers.size(); ++m) {
        ExpectPoint(actual.markers[m], expected.markers[m]);
        EXPECT_EQ(actual.markerIds[m], expected.markerIds[m]);
        EXPECT_EQ(actual.markerSizes[m], expected.markerSizes[m]);
    }
    EXPECT_EQ(actual.meanError, expected.meanError);
    EXPECT_EQ(actual.params, expected.params);
}

// Compares the base part of the frame (everything but extendData).
inline void ExpectFrameMatchesScene(const sFrameOfMocapData& f, const sim::FrameScene& scene) {
    EXPECT_EQ(f.frameNumber, scene.frameNumber);
    ASSERT_EQ(f.markerSetCount, static_cast<int32_t>(scene.markerSets.size()));
    for (size_t i = 0; i < scene.markerSets.size(); ++i) {
        EXPECT_EQ(std::string(f.mocapData[i].name), scene.markerSets[i].name);
        ASSERT_EQ(f.mocapData[i].markerCount,
                  static_cast<int32_t>(scene.markerSets[i].markers.size()));
        for (size_t m = 0; m < scene.markerSets[i].markers.size(); ++m) {
            ExpectPoint(f.mocapData[i].markers[m], scene.markerSets[i].markers[m]);
        }
    }
    ASSERT_EQ(f.otherMarkerCount, static_cast<int32_t>(scene.otherMarkers.size()));
    for (size_t m = 0; m < scene.otherMarkers.size(); ++m) {
        ExpectPoint(f.otherMarkers[m], scene.otherMarkers[m]);
    }
    ASSERT_EQ(f.rigidBodyCount, static_cast<int32_t>(scene.rigidBodies.size()));
    for (size_t i = 0; i < scene.rigidBodies.size(); ++i) {
        ExpectRigidBody(f.rigidBodies[i], scene.rigidBodies[i]);
    }
    ASSERT_EQ(f.skeletonCount, static_cast<int32_t>(scene.skeletons.size()));
    for (size_t i = 0; i < scene.skeletons.size(); ++i) {
        const sim::SkeletonPose& skeleton = scene.skeletons[i];
        EXPECT_EQ(f.skeletons[i].skeletonId, skeleton.id);
        ASSERT_EQ(f.skeletons[i].rigidBodyCount, static_cast<int32_t>(skeleton.bones.size()));
        for (size_t b = 0; b < skeleton.bones.size(); ++b) {
            ExpectRigidBody(f.skeletons[i].rigidBodyData[b], skeleton.bones[b]);
        }
    }
    ASSERT_EQ(f.labeledMarkerCount, static_cast<int32_t>(scene.labeledMarkers.size()));
    for (size_t m = 0; m < scene.labeledMarkers.size(); ++m) {
        const sMarker& a = f.labeledMarkers[m];
        const sMarker& e = scene.labeledMarkers[m];
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(a.x, e.x);
        EXPECT_EQ(a.y, e.y);
        EXPECT_EQ(a.z, e.z);
        EXPECT_EQ(a.size, e.size);
        EXPECT_EQ(a.reserved, e.reserved);
    }
    ASSERT_EQ(f.analogDataCount, static_cast<int32_t>(scene.analog.size()));
    for (size_t a = 0; a < scene.analog.size(); ++a) {
        EXPECT_EQ(f.analogData[a], scene.analog[a]);
    }
    EXPECT_EQ(f.latency, scene.latency);
    EXPECT_EQ(f.timecode, scene.timecode);
    EXPECT_EQ(f.timecodeSubframe, scene.timecodeSubframe);
    EXPECT_EQ(f.timeStamp, scene.timeStamp);
    EXPECT_EQ(f.params, scene.params);
}

inline void ExpectItem(const sRigidBodyExtendData& actual, const sRigidBodyExtendData& expected) {
    EXPECT_EQ(0, std::memcmp(&actual, &expected, 72)) << "item " << expected.id;
    for (uint8_t b : actual.reserved) {
        EXPECT_EQ(b, 0);
    }
}

}  // namespace mirav::test

#endif
