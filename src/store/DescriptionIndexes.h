// Indexes from names to identifiers and positions, built from the cached data descriptions.
// Names compare as exact byte strings; the first occurrence of a key wins.
#ifndef MIRAV_STORE_DESCRIPTION_INDEXES_H
#define MIRAV_STORE_DESCRIPTION_INDEXES_H

#include <cstdint>
#include <string>
#include <unordered_map>

#include "mirav/MiravTypes.h"

namespace mirav {

using NameMap = std::unordered_map<std::string, int32_t>;

struct DescriptionIndexes {
    // Marker set name -> (marker name -> position in the set's marker names).
    std::unordered_map<std::string, NameMap> markerSetMarkerPositions;
    // Rigid body name -> rigid body id.
    NameMap rigidBodyIdsByName;
    // Skeleton name -> (bone name -> bone id).
    std::unordered_map<std::string, NameMap> skeletonBoneIdsByName;
    // Skeleton name -> skeleton id.
    NameMap skeletonIdsByName;
    // Force plate channel name -> position in its plate's channel names (all plates share it).
    NameMap channelPositionsByName;

    void Build(const sDataDescriptions& descriptions);
};

// Value of key in map through *value; false when absent.
bool FindName(const NameMap& map, const std::string& key, int32_t* value);

}  // namespace mirav

#endif
