// Indexes over the current frame record, rebuilt by every take. The first occurrence of a key
// wins. Positions inside a marker set and analog positions are dense, so they are kept as a
// pointer with a count (and a copied value array) rather than as maps of position to value.
#ifndef MIRAV_STORE_FRAME_INDEXES_H
#define MIRAV_STORE_FRAME_INDEXES_H

#include <cstdint>
#include <string>
#include <unordered_map>

#include "mirav/MiravTypes.h"

namespace mirav {

struct MarkerSpan {
    MarkerData* markers = nullptr;
    int32_t count = 0;
};

struct FrameIndexes {
    // Marker set name -> the set's marker array in the current record.
    std::unordered_map<std::string, MarkerSpan> markerSets;
    // Rigid body id -> the rigid body inside the current record.
    std::unordered_map<int32_t, sRigidBodyData*> rigidBodies;
    // Skeleton id -> (bone id -> the bone inside the skeleton's bone array).
    std::unordered_map<int32_t, std::unordered_map<int32_t, sRigidBodyData*>> skeletonBones;
    // Analog values copied from the record at take time.
    float analogValues[MAX_ANALOG_CHANNELS] = {};
    int32_t analogCount = 0;

    void Clear();
    void Build(sFrameOfMocapData& record);

    const MarkerData* FindMarker(const std::string& markerSetName, int32_t position) const;
    sRigidBodyData* FindRigidBody(int32_t id) const;
    sRigidBodyData* FindBone(int32_t skeletonId, int32_t boneId) const;
    bool FindAnalogValue(int32_t position, float* value) const;
};

// A record name (a fixed char buffer that may lack its terminator) as a key.
std::string NameKey(const char* name, size_t capacity);

}  // namespace mirav

#endif
