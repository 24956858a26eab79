// Builds populated frames with library-allocated arrays for the utility tests.
#ifndef MIRAV_TESTS_API_FRAME_BUILDER_H
#define MIRAV_TESTS_API_FRAME_BUILDER_H

#include <cstring>
#include <memory>

#include "mirav/MiravTypes.h"
#include "records/RecordMemory.h"

namespace mirav::test {

struct FrameDeleter {
    void operator()(sFrameOfMocapData* frame) const { delete frame; }
};
using FramePtr = std::unique_ptr<sFrameOfMocapData, FrameDeleter>;

// A zeroed frame record (rigid bodies default-constructed first, then everything cleared).
inline FramePtr MakeEmptyFrame() {
    FramePtr frame(new sFrameOfMocapData);
    std::memset(static_cast<void*>(frame.get()), 0, sizeof(sFrameOfMocapData));
    return frame;
}

inline void FillRigidBody(sRigidBodyData& body, int id, int markers) {
    body.id = id;
    body.x = static_cast<float>(id);
    body.markerCount = markers;
    body.markers = NewArray<MarkerData>(static_cast<size_t>(markers));
    body.markerIds = NewArray<int32_t>(static_cast<size_t>(markers));
    body.markerSizes = NewArray<float>(static_cast<size_t>(markers));
    for (int m = 0; m < markers; ++m) {
        body.markers[m][0] = static_cast<float>(id * 100 + m);
        body.markerIds[m] = id * 100 + m;
        body.markerSizes[m] = 0.5f * static_cast<float>(m);
    }
}

// Two marker sets (3 and 0 markers), 2 unlabelled markers, rigid bodies with 2 and 0 markers,
// a skeleton with 2 bones and one with 0 bones, labelled markers and analog values.
inline FramePtr MakePopulatedFrame() {
    FramePtr frame = MakeEmptyFrame();
    frame->frameNumber = 77;
    frame->markerSetCount = 2;
    std::strcpy(frame->mocapData[0].name, "arm");
    frame->mocapData[0].markerCount = 3;
    frame->mocapData[0].markers = NewArray<MarkerData>(3);
    for (int i = 0; i < 3; ++i) frame->mocapData[0].markers[i][1] = static_cast<float>(i);
    std::strcpy(frame->mocapData[1].name, "empty");
    frame->mocapData[1].markers = NewArray<MarkerData>(0);
    frame->otherMarkerCount = 2;
    frame->otherMarkers = NewArray<MarkerData>(2);
    frame->otherMarkers[1][2] = 9.0f;
    frame->rigidBodyCount = 2;
    FillRigidBody(frame->rigidBodies[0], 1, 2);
    FillRigidBody(frame->rigidBodies[1], 2, 0);
    frame->skeletonCount = 2;
    frame->skeletons[0].skeletonId = 5;
    frame->skeletons[0].rigidBodyCount = 2;
    frame->skeletons[0].rigidBodyData = NewArray<sRigidBodyData>(2);
    FillRigidBody(frame->skeletons[0].rigidBodyData[0], 10, 1);
    FillRigidBody(frame->skeletons[0].rigidBodyData[1], 11, 0);
    frame->skeletons[1].skeletonId = 6;
    frame->skeletons[1].rigidBodyData = NewArray<sRigidBodyData>(0);
    frame->labeledMarkerCount = 4;
    frame->analogDataCount = 2;
    frame->analogData[1] = 3.5f;
    frame->timecode = 0x01020304u;
    return frame;
}

}  // namespace mirav::test

#endif
