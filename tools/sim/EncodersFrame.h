// Encoder of the frame-data body (message type 103) from a plain scene description.
#ifndef MIRAV_SIM_ENCODERS_FRAME_H
#define MIRAV_SIM_ENCODERS_FRAME_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "EncodersWire.h"
#include "mirav/MiravTypes.h"

namespace mirav::sim {

struct MarkerSetPose {
    std::string name;
    std::vector<Point> markers;
};

// markers, markerIds and markerSizes are written with the count of markers; the two other
// vectors are padded with zeros or cut to that count.
struct RigidBodyPose {
    int32_t id = 0;
    float x = 0, y = 0, z = 0;
    float qx = 0, qy = 0, qz = 0, qw = 1;
    std::vector<Point> markers;
    std::vector<int32_t> markerIds;
    std::vector<float> markerSizes;
    float meanError = 0;
    int16_t params = 0;
};

struct SkeletonPose {
    int32_t id = 0;
    std::vector<RigidBodyPose> bones;
};

// One extension block. Type 1 writes its items (72 bytes each) followed by payload; other types
// write payload only. The header carries the real item count and payload length unless the
// ...OnWire values replace them (to build malformed blocks).
struct ExtensionBlock {
    int32_t type = 1;
    std::vector<sRigidBodyExtendData> items;
    std::vector<uint8_t> payload;
    std::optional<int32_t> itemCountOnWire;
    std::optional<int32_t> payloadLengthOnWire;
};

struct FrameScene {
    int32_t frameNumber = 0;
    std::vector<MarkerSetPose> markerSets;
    std::vector<Point> otherMarkers;
    std::vector<RigidBodyPose> rigidBodies;
    std::vector<SkeletonPose> skeletons;
    std::vector<sMarker> labeledMarkers;
    std::vector<float> analog;
    float latency = 0;
    uint32_t timecode = 0;
    uint32_t timecodeSubframe = 0;
    int64_t timeStamp = 0;
    int16_t params = 0;
    // Bytes written after the trailer as they are (for example from EncodeExtension).
    std::vector<uint8_t> extension;
};

// Size of the base body of a frame with no entries: frame number, six counts and the trailer.
constexpr size_t kEmptyFrameBodySize = 50;

std::vector<uint8_t> EncodeFrameBody(const FrameScene& scene);

// The extension: block count (the number of blocks unless blockCountOnWire replaces it), then
// the blocks.
std::vector<uint8_t> EncodeExtension(const std::vector<ExtensionBlock>& blocks,
                                     std::optional<int32_t> blockCountOnWire = std::nullopt);

// A rigid-body kinematics item whose fields are derived from seed (distinct per seed).
sRigidBodyExtendData MakeExtendItem(int32_t seed);

// A frame of typical size: 10 marker sets x 20 markers, 20 rigid bodies x 5 markers, 2 skeletons
// x 21 bones, 100 labelled markers, 16 analog values and one extension block of 20 items.
FrameScene MakeTypicalFrameScene(int32_t frameNumber);

}  // namespace mirav::sim

#endif
