// Reader of BVH motion files (joint hierarchy plus per-frame channel values) and the forward
// kinematics that gives each joint's world position and orientation.
#ifndef MIRAV_SIM_BVH_READER_H
#define MIRAV_SIM_BVH_READER_H

#include <cstddef>
#include <string>
#include <vector>

namespace mirav::sim {

enum class BvhChannel { Xposition, Yposition, Zposition, Xrotation, Yrotation, Zrotation };

struct BvhJoint {
    std::string name;
    int parent = -1;  // index into BvhFile::joints; -1 for a root
    double offset[3] = {0, 0, 0};
    std::vector<BvhChannel> channels;           // in file order
    size_t firstChannel = 0;                    // index of its first value in a frame's values
    std::vector<std::vector<double>> endSites;  // offsets of End Site children
};

struct BvhFile {
    std::vector<BvhJoint> joints;  // in file order, parents before children
    size_t channelCount = 0;       // values per frame
    size_t frameCount = 0;
    double frameTime = 0;        // seconds
    std::vector<double> values;  // frameCount x channelCount

    const double* Frame(size_t frame) const { return values.data() + frame * channelCount; }
};

// A joint's pose in world coordinates: position, and rotation as a unit quaternion (x, y, z, w).
struct BvhPose {
    double position[3] = {0, 0, 0};
    double rotation[4] = {0, 0, 0, 1};
};

// Parses BVH text (LF or CRLF line ends, any channel order, several roots). Returns false with a
// one-line reason (with the line number) for anything it cannot read.
bool ParseBvh(const std::string& text, BvhFile& out, std::string& error);
bool ReadBvhFile(const std::string& path, BvhFile& out, std::string& error);

// World poses of every joint for one frame. A joint's local transform is the translation
// (offset + position channels) followed by the rotation channels applied in file order, so for
// "Zrotation Yrotation Xrotation" a child vector v maps to T * Rz * Ry * Rx * v in its parent.
std::vector<BvhPose> ComputeBvhPoses(const BvhFile& file, size_t frame);

}  // namespace mirav::sim

#endif
