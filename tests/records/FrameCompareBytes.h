// Compares two frame records byte for byte, arrays included: pointer values may differ, but
// which pointers are null and every byte they point to (within the counts) must agree.
#ifndef MIRAV_TESTS_RECORDS_FRAME_COMPARE_BYTES_H
#define MIRAV_TESTS_RECORDS_FRAME_COMPARE_BYTES_H

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "mirav/MiravTypes.h"

namespace mirav::test {

template <class T>
void ExpectSameArray(const T* expected, const T* actual, int32_t count, const std::string& where) {
    ASSERT_EQ(expected == nullptr, actual == nullptr) << where;
    if (expected == nullptr || count <= 0) return;
    EXPECT_EQ(std::memcmp(expected, actual, sizeof(T) * static_cast<size_t>(count)), 0) << where;
}

inline void NullBodyPointers(sRigidBodyData& body) {
    body.markers = nullptr;
    body.markerIds = nullptr;
    body.markerSizes = nullptr;
}

inline void ExpectSameBody(const sRigidBodyData& expected, const sRigidBodyData& actual,
                           const std::string& where) {
    ExpectSameArray(expected.markers, actual.markers, expected.markerCount, where + " points");
    ExpectSameArray(expected.markerIds, actual.markerIds, expected.markerCount, where + " ids");
    ExpectSameArray(expected.markerSizes, actual.markerSizes, expected.markerCount,
                    where + " sizes");
    sRigidBodyData a = expected, b = actual;
    NullBodyPointers(a);
    NullBodyPointers(b);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << where;
}

// Every byte of both records outside the pointer fields, then every array.
inline void ExpectSameFrame(const sFrameOfMocapData& expected, const sFrameOfMocapData& actual) {
    auto a = std::make_unique<sFrameOfMocapData>(expected);
    auto b = std::make_unique<sFrameOfMocapData>(actual);
    for (int i = 0; i < MAX_MARKERSETS; ++i) {
        const std::string where = "marker set " + std::to_string(i);
        ExpectSameArray(expected.mocapData[i].markers, actual.mocapData[i].markers,
                        expected.mocapData[i].markerCount, where);
        a->mocapData[i].markers = b->mocapData[i].markers = nullptr;
    }
    ExpectSameArray(expected.otherMarkers, actual.otherMarkers, expected.otherMarkerCount,
                    "unlabelled markers");
    a->otherMarkers = b->otherMarkers = nullptr;
    for (int i = 0; i < MAX_RIGIDBODIES; ++i) {
        ExpectSameBody(expected.rigidBodies[i], actual.rigidBodies[i],
                       "rigid body " + std::to_string(i));
        NullBodyPointers(a->rigidBodies[i]);
        NullBodyPointers(b->rigidBodies[i]);
    }
    for (int i = 0; i < MAX_SKELETONS; ++i) {
        const sSkeletonData& x = expected.skeletons[i];
        const sSkeletonData& y = actual.skeletons[i];
        const std::string where = "skeleton " + std::to_string(i);
        ASSERT_EQ(x.rigidBodyData == nullptr, y.rigidBodyData == nullptr) << where;
        for (int j = 0; x.rigidBodyData != nullptr && j < x.rigidBodyCount; ++j) {
            ExpectSameBody(x.rigidBodyData[j], y.rigidBodyData[j],
                           where + " bone " + std::to_string(j));
        }
        a->skeletons[i].rigidBodyData = b->skeletons[i].rigidBodyData = nullptr;
    }
    EXPECT_EQ(std::memcmp(a.get(), b.get(), sizeof(sFrameOfMocapData)), 0) << "record bytes";
}

}  // namespace mirav::test

#endif
