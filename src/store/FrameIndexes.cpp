#include "store/FrameIndexes.h"

#include <cstring>

#include "records/FrameCounts.h"

namespace mirav {

std::string NameKey(const char* name, size_t capacity) {
    return std::string(name, strnlen(name, capacity));
}

void FrameIndexes::Clear() {
    markerSets.clear();
    rigidBodies.clear();
    skeletonBones.clear();
    analogCount = 0;
}

void FrameIndexes::Build(sFrameOfMocapData& record) {
    for (int i = 0, n = ClampedMarkerSetCount(record); i < n; ++i) {
        sMarkerSetData& set = record.mocapData[i];
        if (set.markers == nullptr) continue;
        markerSets.emplace(NameKey(set.name, sizeof(set.name)),
                           MarkerSpan{set.markers, set.markerCount});
    }
    for (int i = 0, n = ClampedRigidBodyCount(record); i < n; ++i) {
        rigidBodies.emplace(record.rigidBodies[i].id, &record.rigidBodies[i]);
    }
    for (int i = 0, n = ClampedSkeletonCount(record); i < n; ++i) {
        sSkeletonData& skeleton = record.skeletons[i];
        if (skeleton.rigidBodyData == nullptr) continue;
        auto inserted = skeletonBones.try_emplace(skeleton.skeletonId);
        if (!inserted.second) continue;
        auto& bones = inserted.first->second;
        for (int j = 0, m = ClampedBoneCount(skeleton); j < m; ++j) {
            bones.emplace(skeleton.rigidBodyData[j].id, &skeleton.rigidBodyData[j]);
        }
    }
    analogCount = ClampedAnalogCount(record);
    std::memcpy(analogValues, record.analogData, sizeof(float) * static_cast<size_t>(analogCount));
}

const MarkerData* FrameIndexes::FindMarker(const std::string& markerSetName,
                                           int32_t position) const {
    auto set = markerSets.find(markerSetName);
    if (set == markerSets.end() || position < 0 || position >= set->second.count) return nullptr;
    return &set->second.markers[position];
}

sRigidBodyData* FrameIndexes::FindRigidBody(int32_t id) const {
    auto body = rigidBodies.find(id);
    return body == rigidBodies.end() ? nullptr : body->second;
}

sRigidBodyData* FrameIndexes::FindBone(int32_t skeletonId, int32_t boneId) const {
    auto skeleton = skeletonBones.find(skeletonId);
    if (skeleton == skeletonBones.end()) return nullptr;
    auto bone = skeleton->second.find(boneId);
    return bone == skeleton->second.end() ? nullptr : bone->second;
}

bool FrameIndexes::FindAnalogValue(int32_t position, float* value) const {
    if (position < 0 || position >= analogCount) return false;
    *value = analogValues[position];
    return true;
}

}  // namespace mirav
