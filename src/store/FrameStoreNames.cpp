// Reverse look-ups: the name that the cached descriptions give to an identifier or position, for
// code that holds a frame record (which carries ids, not names). The descriptions are searched in
// their order under the description lock, so the first description carrying an id names it, as
// the name indexes keep the first occurrence of a name.
#include <algorithm>
#include <cstring>
#include <string>

#include "store/FrameIndexes.h"
#include "store/FrameStore.h"

namespace {

constexpr int kFound = 0;
constexpr int kBadArgument = 2;
constexpr int kNotDescribed = 4;

int Clamp(int32_t count, int capacity) { return std::max(0, std::min<int32_t>(count, capacity)); }

// Copies a name into the caller's buffer, or leaves it empty when the buffer is too short.
int CopyName(const char* name, size_t capacity, char* out, int size) {
    const std::string text = mirav::NameKey(name, capacity);
    if (text.size() + 1 > static_cast<size_t>(size)) {
        out[0] = '\0';
        return kBadArgument;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return kFound;
}

bool UsableBuffer(char* out, int size) { return out != nullptr && size >= 1; }

}  // namespace

int FrameStore::GetRigidBodyName(int32_t id, char* name, int size) {
    if (!UsableBuffer(name, size)) return kBadArgument;
    System::CGuard guard(descriptionLock_);
    const int count = descriptions_ ? Clamp(descriptions_->descriptionCount, MAX_MODELS) : 0;
    for (int i = 0; i < count; ++i) {
        const sDataDescription& entry = descriptions_->descriptions[i];
        if (entry.type != Descriptor_RigidBody || entry.Data.RigidBodyDescription == nullptr) {
            continue;
        }
        const sRigidBodyDescription& body = *entry.Data.RigidBodyDescription;
        if (body.id == id) return CopyName(body.name, sizeof(body.name), name, size);
    }
    name[0] = '\0';
    return kNotDescribed;
}

const sSkeletonDescription* FrameStore::DescribedSkeleton(int32_t skeletonId) const {
    const int count = descriptions_ ? Clamp(descriptions_->descriptionCount, MAX_MODELS) : 0;
    for (int i = 0; i < count; ++i) {
        const sDataDescription& entry = descriptions_->descriptions[i];
        if (entry.type == Descriptor_Skeleton && entry.Data.SkeletonDescription != nullptr &&
            entry.Data.SkeletonDescription->skeletonId == skeletonId) {
            return entry.Data.SkeletonDescription;
        }
    }
    return nullptr;
}

int FrameStore::GetSkeletonName(int32_t skeletonId, char* name, int size) {
    if (!UsableBuffer(name, size)) return kBadArgument;
    System::CGuard guard(descriptionLock_);
    const sSkeletonDescription* skeleton = DescribedSkeleton(skeletonId);
    if (skeleton != nullptr) return CopyName(skeleton->name, sizeof(skeleton->name), name, size);
    name[0] = '\0';
    return kNotDescribed;
}

int FrameStore::GetSkeletonBoneName(int32_t skeletonId, int32_t boneId, char* name, int size) {
    if (!UsableBuffer(name, size)) return kBadArgument;
    System::CGuard guard(descriptionLock_);
    if (const sSkeletonDescription* skeleton = DescribedSkeleton(skeletonId)) {
        for (int j = 0, n = Clamp(skeleton->rigidBodyCount, MAX_SKELRIGIDBODIES); j < n; ++j) {
            const sRigidBodyDescription& bone = skeleton->rigidBodies[j];
            if (bone.id == boneId) return CopyName(bone.name, sizeof(bone.name), name, size);
        }
    }
    name[0] = '\0';
    return kNotDescribed;
}

int FrameStore::GetMarkerName(const char* markerSetName, int32_t index, char* name, int size) {
    if (markerSetName == nullptr || !UsableBuffer(name, size)) return kBadArgument;
    System::CGuard guard(descriptionLock_);
    const int count = descriptions_ ? Clamp(descriptions_->descriptionCount, MAX_MODELS) : 0;
    for (int i = 0; i < count; ++i) {
        const sDataDescription& entry = descriptions_->descriptions[i];
        if (entry.type != Descriptor_MarkerSet || entry.Data.MarkerSetDescription == nullptr) {
            continue;
        }
        const sMarkerSetDescription& set = *entry.Data.MarkerSetDescription;
        if (mirav::NameKey(set.name, sizeof(set.name)) != markerSetName) continue;
        // The first set of that name is the one the forward look-up uses.
        if (set.markerNames == nullptr || index < 0 || index >= set.markerCount ||
            set.markerNames[index] == nullptr) {
            break;
        }
        return CopyName(set.markerNames[index], MAX_NAMELENGTH, name, size);
    }
    name[0] = '\0';
    return kNotDescribed;
}

// Analog values left in a frame after the force plates took their channels belong to analog
// devices (plate kind 0), so a device's channel names are preferred; otherwise the first plate
// description long enough names the position, as the forward index would.
int FrameStore::GetAnalogChannelName(int32_t index, char* name, int size) {
    if (!UsableBuffer(name, size)) return kBadArgument;
    System::CGuard guard(descriptionLock_);
    const sForcePlateDescription* device = nullptr;
    const sForcePlateDescription* plate = nullptr;
    const int count = descriptions_ ? Clamp(descriptions_->descriptionCount, MAX_MODELS) : 0;
    for (int i = 0; i < count && device == nullptr; ++i) {
        const sDataDescription& entry = descriptions_->descriptions[i];
        if (entry.type != Descriptor_ForcePlate || entry.Data.ForcePlateDescription == nullptr) {
            continue;
        }
        const sForcePlateDescription& candidate = *entry.Data.ForcePlateDescription;
        if (index < 0 || index >= Clamp(candidate.channelCount, MAX_FORCEPLATE_CHANNELS)) continue;
        if (candidate.plateKind == 0) {
            device = &candidate;
        } else if (plate == nullptr) {
            plate = &candidate;
        }
    }
    const sForcePlateDescription* naming = device != nullptr ? device : plate;
    if (naming != nullptr) {
        return CopyName(naming->channelNames[index], MAX_NAMELENGTH, name, size);
    }
    name[0] = '\0';
    return kNotDescribed;
}
