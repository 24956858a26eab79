// A recorded take: the neutral per-frame form into which C3D and BVH recordings are converted,
// and from which the substitute server builds its descriptions and frame messages.
#ifndef MIRAV_SIM_RECORDING_H
#define MIRAV_SIM_RECORDING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "EncodersDescription.h"
#include "EncodersFrame.h"
#include "mirav/MiravTypes.h"

namespace mirav::sim {

struct RecordedMarker {
    int32_t id = 0;  // 1-based index in the marker set
    float x = 0, y = 0, z = 0;
    float size = 0;
};

struct RecordedBone {
    int32_t id = 0;        // 1-based, in hierarchy order
    int32_t parentId = 0;  // 0 for a root
    std::string name;
    float x = 0, y = 0, z = 0;
    float qx = 0, qy = 0, qz = 0, qw = 1;
};

struct RecordedFrame {
    int32_t frameNumber = 0;  // the file's own frame number
    // Only the markers seen in this frame.
    std::vector<RecordedMarker> labeledMarkers;
    // Every marker of the marker set in its order; occluded ones at 0, 0, 0.
    std::vector<Point> markerSetPositions;
    // Plate channels first (plate by plate, in the order the client expects), then the other
    // analog inputs.
    std::vector<float> analog;
    std::vector<RecordedBone> bones;
    uint32_t timecode = 0;
    uint32_t timecodeSubframe = 0;
};

struct RecordedTake {
    std::string source;  // file name, for status lines
    double frameRate = 0;
    std::string markerSetName;
    std::vector<std::string> markerNames;  // unique
    std::string skeletonName;
    int32_t skeletonId = 1;
    std::vector<sRigidBodyDescription> boneDescriptions;
    // Plates of kind 3 or 4, in channel order, then at most one kind-0 entry naming the other
    // analog inputs.
    std::vector<sForcePlateDescription> forcePlates;
    std::vector<RecordedFrame> frames;

    size_t FrameCount() const { return frames.size(); }
};

// Converts a C3D file: markers (file units), marker set, analog channels, force plates.
bool LoadC3dTake(const std::string& path, RecordedTake& take, std::string& error);
// Converts a BVH file: one skeleton whose bones carry the world poses (file units).
bool LoadBvhTake(const std::string& path, RecordedTake& take, std::string& error);

// Loads a .c3d or .bvh file (by extension, case ignored) into a take.
bool LoadTake(const std::string& path, RecordedTake& take, std::string& error);

// Entry points for the server, shaped like the synthetic scene's:
// description data (the body of a type-101 reply) naming everything the take's frames carry,
std::vector<uint8_t> TakeDescriptionData(const RecordedTake& take);
// and the frame body for server frame number n (from 1), which plays take frame (n - 1) modulo
// the frame count, so the take loops.
std::vector<uint8_t> TakeFrameBody(const RecordedTake& take, int32_t frameNumber);

// Packed timecode (hours, minutes, seconds, frames in bits 31-24, 23-16, 15-8, 7-0) and sub-frame
// of the frame with this number at this rate; frame 1 is 00:00:00:00. Timecode frames count at
// 30, 25 or 24 per second (the first that divides the rate), otherwise at the capture rate when
// it is at most 255, otherwise at 30; the sub-frame counts capture frames within a timecode
// frame.
void RecordingTimecode(int64_t frameNumber, double frameRate, uint32_t& timecode,
                       uint32_t& subframe);

// What the server announces for a take: the marker set, the skeleton and the force plates.
void AddTakeDescriptions(const RecordedTake& take, DescriptionDataEncoder& encoder);

// The frame message content for frame index of the take, sent under frameNumber (the server
// counts on across loops of the take).
FrameScene MakeTakeFrameScene(const RecordedTake& take, size_t index, int32_t frameNumber);

}  // namespace mirav::sim

#endif
