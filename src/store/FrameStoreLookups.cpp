// By-name look-ups: a name goes to an identifier or position through the description indexes,
// and from there to a value of the current frame record through the frame indexes. Each look-up
// holds the frame lock throughout and the description lock (taken inside it) while it reads the
// description indexes.
#include <string>

#include "store/DescriptionIndexes.h"
#include "store/FrameIndexes.h"
#include "store/FrameStore.h"

namespace {
constexpr int kFound = 0;
constexpr int kNotDescribed = 4;
constexpr int kNotInFrame = 8;
}  // namespace

int FrameStore::GetLastFrameMarkerByName(const char* markerSetName, const char* markerName,
                                         float** point) {
    if (markerSetName == nullptr || markerName == nullptr || point == nullptr) return kNotInFrame;
    const std::string setKey(markerSetName);
    System::CGuard frameGuard(frameLock_);
    ForgetEmptiedRecord();
    int32_t position = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        const auto& sets = descriptionIndexes_->markerSetMarkerPositions;
        auto set = sets.find(setKey);
        if (set == sets.end() || !mirav::FindName(set->second, markerName, &position)) {
            return kNotInFrame;
        }
    }
    const MarkerData* marker = frameIndexes_->FindMarker(setKey, position);
    if (marker == nullptr) return kNotInFrame;
    *point = const_cast<float*>(*marker);
    return kFound;
}

int FrameStore::GetLastFrameRigidBodyByName(const char* name, sRigidBodyData** rigidBody) {
    if (name == nullptr || rigidBody == nullptr) return kNotInFrame;
    const std::string key(name);
    System::CGuard frameGuard(frameLock_);
    ForgetEmptiedRecord();
    int32_t id = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        if (!mirav::FindName(descriptionIndexes_->rigidBodyIdsByName, key, &id)) {
            return kNotDescribed;
        }
    }
    sRigidBodyData* body = frameIndexes_->FindRigidBody(id);
    if (body == nullptr) return kNotInFrame;
    *rigidBody = body;
    return kFound;
}

int FrameStore::GetLastFrameSkeletonByName(const char* skeletonName, const char* boneName,
                                           sRigidBodyData** bone) {
    if (skeletonName == nullptr || boneName == nullptr || bone == nullptr) return kNotInFrame;
    const std::string skeletonKey(skeletonName);
    System::CGuard frameGuard(frameLock_);
    ForgetEmptiedRecord();
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
    sRigidBodyData* found = frameIndexes_->FindBone(skeletonId, boneId);
    if (found == nullptr) return kNotInFrame;
    *bone = found;
    return kFound;
}

int FrameStore::GetLastFrameAnalogdata(const char* channelName, float* value) {
    if (channelName == nullptr || value == nullptr) return kNotInFrame;
    const std::string key(channelName);
    System::CGuard frameGuard(frameLock_);
    ForgetEmptiedRecord();
    int32_t position = 0;
    {
        System::CGuard descriptionGuard(descriptionLock_);
        if (!mirav::FindName(descriptionIndexes_->channelPositionsByName, key, &position)) {
            return kNotDescribed;
        }
    }
    return frameIndexes_->FindAnalogValue(position, value) ? kFound : kNotInFrame;
}
