// Look-ups on any frame record: the record a data callback receives, a copy, or the current
// record. Names go to identifiers or positions through the description indexes (under the
// description lock); the record itself is then searched in order, so the first occurrence of an
// identifier wins, as in the frame indexes. The current record is read under the frame lock, taken
// before the description lock as everywhere else.
#include <cstring>
#include <string>

#include "records/FrameCounts.h"
#include "store/DescriptionIndexes.h"
#include "store/FrameIndexes.h"
#include "store/FrameStore.h"

namespace {

constexpr int kFound = 0;
constexpr int kBadArgument = 2;
constexpr int kNotDescribed = 4;
constexpr int kNotInFrame = 8;

sRigidBodyData* RigidBodyWithId(const sFrameOfMocapData& frame, int32_t id) {
    for (int i = 0, n = mirav::ClampedRigidBodyCount(frame); i < n; ++i) {
        if (frame.rigidBodies[i].id == id)
            return const_cast<sRigidBodyData*>(&frame.rigidBodies[i]);
    }
    return nullptr;
}

sRigidBodyData* BoneWithIds(const sFrameOfMocapData& frame, int32_t skeletonId, int32_t boneId) {
    for (int i = 0, n = mirav::ClampedSkeletonCount(frame); i < n; ++i) {
        const sSkeletonData& skeleton = frame.skeletons[i];
        if (skeleton.skeletonId != skeletonId || skeleton.rigidBodyData == nullptr) continue;
        // The first skeleton with bones and this id is the one the look-up reads.
        for (int j = 0, m = mirav::ClampedBoneCount(skeleton); j < m; ++j) {
            if (skeleton.rigidBodyData[j].id == boneId) return &skeleton.rigidBodyData[j];
        }
        return nullptr;
    }
    return nullptr;
}

float* MarkerAt(const sFrameOfMocapData& frame, const std::string& setName, int32_t position) {
    for (int i = 0, n = mirav::ClampedMarkerSetCount(frame); i < n; ++i) {
        const sMarkerSetData& set = frame.mocapData[i];
        if (set.markers == nullptr || mirav::NameKey(set.name, sizeof(set.name)) != setName) {
            continue;
        }
        if (position < 0 || position >= set.markerCount) return nullptr;
        return set.markers[position];
    }
    return nullptr;
}

}  // namespace

// Holds the frame lock when the record is the store's current one.
class FrameStore::AnyFrameGuard {
public:
    AnyFrameGuard(FrameStore& store, const sFrameOfMocapData* frame)
        : lock_(frame == &store.current_ ? &store.frameLock_ : nullptr) {
        if (lock_ != nullptr) {
            lock_->Lock();
            store.ForgetEmptiedRecord();
        }
    }
    ~AnyFrameGuard() {
        if (lock_ != nullptr) lock_->Unlock();
    }
    AnyFrameGuard(const AnyFrameGuard&) = delete;
    AnyFrameGuard& operator=(const AnyFrameGuard&) = delete;

private:
    System::CMutex* lock_;
};

int FrameStore::FindRigidBodyByName(const sFrameOfMocapData* frame, const char* name,
                                    sRigidBodyData** rigidBody) {
    if (frame == nullptr || name == nullptr || rigidBody == nullptr) return kBadArgument;
    AnyFrameGuard frameGuard(*this, frame);
    int32_t id = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        if (!mirav::FindName(descriptionIndexes_->rigidBodyIdsByName, name, &id)) {
            return kNotDescribed;
        }
    }
    sRigidBodyData* body = RigidBodyWithId(*frame, id);
    if (body == nullptr) return kNotInFrame;
    *rigidBody = body;
    return kFound;
}

int FrameStore::FindMarkerByName(const sFrameOfMocapData* frame, const char* markerSetName,
                                 const char* markerName, float** point) {
    if (frame == nullptr || markerSetName == nullptr || markerName == nullptr || point == nullptr) {
        return kBadArgument;
    }
    const std::string setKey(markerSetName);
    AnyFrameGuard frameGuard(*this, frame);
    int32_t position = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        const auto& sets = descriptionIndexes_->markerSetMarkerPositions;
        auto set = sets.find(setKey);
        if (set == sets.end() || !mirav::FindName(set->second, markerName, &position)) {
            return kNotDescribed;
        }
    }
    float* marker = MarkerAt(*frame, setKey, position);
    if (marker == nullptr) return kNotInFrame;
    *point = marker;
    return kFound;
}

int FrameStore::FindSkeletonBoneByName(const sFrameOfMocapData* frame, const char* skeletonName,
                                       const char* boneName, sRigidBodyData** bone) {
    if (frame == nullptr || skeletonName == nullptr || boneName == nullptr || bone == nullptr) {
        return kBadArgument;
    }
    const std::string skeletonKey(skeletonName);
    AnyFrameGuard frameGuard(*this, frame);
    int32_t skeletonId = 0;
    int32_t boneId = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        const auto& boneMaps = descriptionIndexes_->skeletonBoneIdsByName;
        auto bones = boneMaps.find(skeletonKey);
        if (!mirav::FindName(descriptionIndexes_->skeletonIdsByName, skeletonKey, &skeletonId) ||
            bones == boneMaps.end() || !mirav::FindName(bones->second, boneName, &boneId)) {
            return kNotDescribed;
        }
    }
    sRigidBodyData* found = BoneWithIds(*frame, skeletonId, boneId);
    if (found == nullptr) return kNotInFrame;
    *bone = found;
    return kFound;
}

int FrameStore::FindAnalogValueByName(const sFrameOfMocapData* frame, const char* channelName,
                                      float* value) {
    if (frame == nullptr || channelName == nullptr || value == nullptr) return kBadArgument;
    AnyFrameGuard frameGuard(*this, frame);
    int32_t position = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        if (!mirav::FindName(descriptionIndexes_->channelPositionsByName, channelName, &position)) {
            return kNotDescribed;
        }
    }
    if (position < 0 || position >= mirav::ClampedAnalogCount(*frame)) return kNotInFrame;
    *value = frame->analogData[position];
    return kFound;
}
