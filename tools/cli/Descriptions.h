// Data descriptions as a readable tree or as JSON, and the names they give to the ids in frames.
#ifndef MIRAV_CLI_DESCRIPTIONS_H
#define MIRAV_CLI_DESCRIPTIONS_H

#include <mirav/Mirav.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace mirav::cli {

// Text of a fixed-size name field, which need not be terminated.
inline std::string FixedText(const char* text, size_t capacity) {
    size_t length = 0;
    while (length < capacity && text[length] != '\0') ++length;
    return std::string(text, length);
}

void PrintDescriptionTree(const sDataDescriptions& descriptions, std::FILE* out);
std::string DescriptionsJson(const sDataDescriptions& descriptions);

struct NameIndex {
    std::map<int32_t, std::string> rigidBodies;               // id -> name
    std::map<int32_t, std::string> skeletons;                 // id -> name
    std::map<int32_t, std::map<int32_t, std::string>> bones;  // skeleton id -> bone id -> name
    int forcePlates = 0;                                      // plates (analog devices excluded)
    // Names of a frame's analog values: every force plate description's channels in order while
    // no plate is computed; once plates are, their channels leave the frame and the remaining
    // values belong to the other descriptions (analog devices).
    std::vector<std::string> allChannels;
    std::vector<std::string> deviceChannels;

    static NameIndex From(const sDataDescriptions* descriptions);
    std::string RigidBody(int32_t id) const;
    std::string Bone(int32_t skeletonId, int32_t boneId) const;
};

}  // namespace mirav::cli

#endif
