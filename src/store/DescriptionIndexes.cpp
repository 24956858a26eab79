#include "store/DescriptionIndexes.h"

#include <algorithm>

#include "store/FrameIndexes.h"

namespace mirav {
namespace {

void AddMarkerSet(const sMarkerSetDescription& set, DescriptionIndexes& indexes) {
    NameMap positions;
    if (set.markerNames != nullptr) {
        for (int32_t i = 0; i < set.markerCount; ++i) {
            if (set.markerNames[i] == nullptr) continue;
            positions.emplace(NameKey(set.markerNames[i], MAX_NAMELENGTH), i);
        }
    }
    indexes.markerSetMarkerPositions.emplace(NameKey(set.name, sizeof(set.name)),
                                             std::move(positions));
}

void AddSkeleton(const sSkeletonDescription& skeleton, DescriptionIndexes& indexes) {
    std::string name = NameKey(skeleton.name, sizeof(skeleton.name));
    NameMap bones;
    const int32_t boneCount = std::clamp<int32_t>(skeleton.rigidBodyCount, 0, MAX_SKELRIGIDBODIES);
    for (int32_t j = 0; j < boneCount; ++j) {
        const sRigidBodyDescription& bone = skeleton.rigidBodies[j];
        bones.emplace(NameKey(bone.name, sizeof(bone.name)), bone.id);
    }
    indexes.skeletonBoneIdsByName.emplace(name, std::move(bones));
    indexes.skeletonIdsByName.emplace(std::move(name), skeleton.skeletonId);
}

void AddForcePlate(const sForcePlateDescription& plate, DescriptionIndexes& indexes) {
    const int32_t channelCount =
        std::clamp<int32_t>(plate.channelCount, 0, MAX_FORCEPLATE_CHANNELS);
    for (int32_t i = 0; i < channelCount; ++i) {
        indexes.channelPositionsByName.emplace(
            NameKey(plate.channelNames[i], sizeof(plate.channelNames[i])), i);
    }
}

}  // namespace

void DescriptionIndexes::Build(const sDataDescriptions& descriptions) {
    const int32_t count = std::clamp<int32_t>(descriptions.descriptionCount, 0, MAX_MODELS);
    for (int32_t i = 0; i < count; ++i) {
        const sDataDescription& entry = descriptions.descriptions[i];
        if (entry.Data.Any == nullptr) continue;
        switch (entry.type) {
            case Descriptor_MarkerSet:
                AddMarkerSet(*entry.Data.MarkerSetDescription, *this);
                break;
            case Descriptor_RigidBody: {
                const sRigidBodyDescription& body = *entry.Data.RigidBodyDescription;
                rigidBodyIdsByName.emplace(NameKey(body.name, sizeof(body.name)), body.id);
                break;
            }
            case Descriptor_Skeleton:
                AddSkeleton(*entry.Data.SkeletonDescription, *this);
                break;
            case Descriptor_ForcePlate:
                AddForcePlate(*entry.Data.ForcePlateDescription, *this);
                break;
            default:
                break;
        }
    }
}

bool FindName(const NameMap& map, const std::string& key, int32_t* value) {
    auto found = map.find(key);
    if (found == map.end()) return false;
    *value = found->second;
    return true;
}

}  // namespace mirav
