// The Solvanta_ record utilities: deep copy and release of frames, release of descriptions,
// version and timecode decoding.
#include <cstdio>
#include <cstring>

#include "api/Boundary.h"
#include "api/RecordMemory.h"
#include "mirav/MiravUtilities.h"
#include "mirav/MiravVersion.h"
#include "store/GlobalObject.h"

namespace {

constexpr int kOk = 0;
constexpr int kNullArgument = 2;
constexpr unsigned char kVersion[4] = {MIRAV_SDK_VERSION_MAJOR, MIRAV_SDK_VERSION_MINOR,
                                       MIRAV_SDK_VERSION_PATCH, MIRAV_SDK_VERSION_BUILD};

int ClampCount(int count, int capacity) { return count < capacity ? count : capacity; }

template <class T>
T* Duplicate(const T* source, int count) {
    T* copy = mirav::NewArray<T>(static_cast<size_t>(count));
    std::memcpy(static_cast<void*>(copy), source, sizeof(T) * static_cast<size_t>(count));
    return copy;
}

// Gives a rigid body (or bone) copy its own arrays; count-0 arrays stay shared with the source.
void DuplicateRigidBodyArrays(const sRigidBodyData& source, sRigidBodyData& copy) {
    if (source.markerCount <= 0) return;
    if (source.markers) copy.markers = Duplicate(source.markers, source.markerCount);
    if (source.markerIds) copy.markerIds = Duplicate(source.markerIds, source.markerCount);
    if (source.markerSizes) copy.markerSizes = Duplicate(source.markerSizes, source.markerCount);
}

void ReleaseRigidBodyArrays(sRigidBodyData& body) {
    if (body.markerCount <= 0) return;
    mirav::DeleteArray(body.markers);
    mirav::DeleteArray(body.markerIds);
    mirav::DeleteArray(body.markerSizes);
    body.markers = nullptr;
    body.markerIds = nullptr;
    body.markerSizes = nullptr;
}

void CopyFrameArrays(const sFrameOfMocapData& source, sFrameOfMocapData& copy) {
    // Iteration stays within the fixed arrays even when a caller's counts exceed them.
    const int markerSets = ClampCount(source.markerSetCount, MAX_MARKERSETS);
    for (int i = 0; i < markerSets; ++i) {
        const sMarkerSetData& set = source.mocapData[i];
        if (set.markers && set.markerCount > 0)
            copy.mocapData[i].markers = Duplicate(set.markers, set.markerCount);
    }
    if (source.otherMarkers && source.otherMarkerCount > 0)
        copy.otherMarkers = Duplicate(source.otherMarkers, source.otherMarkerCount);
    const int rigidBodies = ClampCount(source.rigidBodyCount, MAX_RIGIDBODIES);
    for (int i = 0; i < rigidBodies; ++i)
        DuplicateRigidBodyArrays(source.rigidBodies[i], copy.rigidBodies[i]);
    const int skeletons = ClampCount(source.skeletonCount, MAX_SKELETONS);
    for (int i = 0; i < skeletons; ++i) {
        const sSkeletonData& skeleton = source.skeletons[i];
        if (!skeleton.rigidBodyData || skeleton.rigidBodyCount <= 0) continue;
        const int bones = skeleton.rigidBodyCount;
        sRigidBodyData* copiedBones = mirav::NewArray<sRigidBodyData>(static_cast<size_t>(bones));
        std::memcpy(static_cast<void*>(copiedBones), skeleton.rigidBodyData,
                    sizeof(sRigidBodyData) * static_cast<size_t>(bones));
        for (int b = 0; b < bones; ++b)
            DuplicateRigidBodyArrays(skeleton.rigidBodyData[b], copiedBones[b]);
        copy.skeletons[i].rigidBodyData = copiedBones;
    }
}

bool HasNothingToFree(const sFrameOfMocapData& frame) {
    return frame.otherMarkers == nullptr && frame.markerSetCount == 0 &&
           frame.otherMarkerCount == 0 && frame.rigidBodyCount == 0 && frame.skeletonCount == 0;
}

void ReleaseFrameArrays(sFrameOfMocapData& frame) {
    const int markerSets = ClampCount(frame.markerSetCount, MAX_MARKERSETS);
    for (int i = 0; i < markerSets; ++i) {
        sMarkerSetData& set = frame.mocapData[i];
        if (set.markerCount > 0) {
            mirav::DeleteArray(set.markers);
            set.markers = nullptr;
        }
    }
    if (frame.otherMarkerCount > 0) {
        mirav::DeleteArray(frame.otherMarkers);
        frame.otherMarkers = nullptr;
    }
    const int rigidBodies = ClampCount(frame.rigidBodyCount, MAX_RIGIDBODIES);
    for (int i = 0; i < rigidBodies; ++i) ReleaseRigidBodyArrays(frame.rigidBodies[i]);
    const int skeletons = ClampCount(frame.skeletonCount, MAX_SKELETONS);
    for (int i = 0; i < skeletons; ++i) {
        sSkeletonData& skeleton = frame.skeletons[i];
        // A bone array with a count of 0 may be shared with the frame it was copied from.
        if (!skeleton.rigidBodyData || skeleton.rigidBodyCount <= 0) continue;
        const int bones = ClampCount(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
        for (int b = 0; b < bones; ++b) ReleaseRigidBodyArrays(skeleton.rigidBodyData[b]);
        mirav::DeleteArray(skeleton.rigidBodyData);
        skeleton.rigidBodyData = nullptr;
    }
}

void ReleaseMarkerSetDescription(sMarkerSetDescription* set) {
    if (set == nullptr) return;
    if (set->markerCount > 0 && set->markerNames != nullptr) {
        for (int i = 0; i < set->markerCount; ++i) mirav::DeleteArray(set->markerNames[i]);
        mirav::DeleteArray(set->markerNames);
        set->markerNames = nullptr;
    }
    mirav::DeleteRecord(set);
}

void ReleasePositionSetDescription(sPositionSetDescription* set) {
    if (set == nullptr) return;
    if (set->pointCount > 0) {
        mirav::DeleteArray(set->points);
        set->points = nullptr;
    }
    mirav::DeleteRecord(set);
}

void ReleaseDescription(sDataDescription& entry) {
    switch (entry.type) {
        case Descriptor_MarkerSet:
            ReleaseMarkerSetDescription(entry.Data.MarkerSetDescription);
            break;
        case Descriptor_RigidBody:
            mirav::DeleteRecord(entry.Data.RigidBodyDescription);
            break;
        case Descriptor_Skeleton:
            mirav::DeleteRecord(entry.Data.SkeletonDescription);
            break;
        case Descriptor_ForcePlate:
            mirav::DeleteRecord(entry.Data.ForcePlateDescription);
            break;
        case Descriptor_PositionSet:
            ReleasePositionSetDescription(entry.Data.PositionSetDescription);
            break;
        case Descriptor_Opaque:
            mirav::DeleteRecord(entry.Data.OpaqueDescription);
            break;
        default:
            return;  // unknown kinds never own a record
    }
    entry.Data.Any = nullptr;
}

}  // namespace

int Solvanta_CopyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination) {
    if (source == nullptr || destination == nullptr) return kNullArgument;
    if (source == destination) return kOk;
    return mirav::CallGuarded(kNullArgument, [&] {
        std::memcpy(static_cast<void*>(destination), source, sizeof(sFrameOfMocapData));
        CopyFrameArrays(*source, *destination);
        return kOk;
    });
}

int Solvanta_FreeFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) return kNullArgument;
    if (HasNothingToFree(*frame)) return kOk;
    ReleaseFrameArrays(*frame);
    std::memset(static_cast<void*>(frame), 0, sizeof(sFrameOfMocapData));
    return kOk;
}

int Solvanta_FreeDescriptions(sDataDescriptions* descriptions) {
    if (descriptions == nullptr) return kNullArgument;
    const int count = ClampCount(descriptions->descriptionCount, MAX_MODELS);
    for (int i = 0; i < count; ++i) ReleaseDescription(descriptions->descriptions[i]);
    mirav::DeleteRecord(descriptions);
    return kOk;
}

int Solvanta_GetVersion(unsigned char* version) {
    mirav::CallGuardedVoid([] { CGlobalObject::Instance(); });
    // A null address is ignored rather than written through.
    if (version != nullptr) std::memcpy(version, kVersion, sizeof kVersion);
    return kVersion[0] | (kVersion[1] << 8) | (kVersion[2] << 16) | (kVersion[3] << 24);
}

bool Solvanta_DecodeTimecode(uint32_t timecode, uint32_t subframe, int* hour, int* minute,
                             int* second, int* frame, int* subframeOut) {
    if (!hour || !minute || !second || !frame || !subframeOut) return false;
    *hour = static_cast<int>(timecode >> 24);
    *minute = static_cast<int>((timecode >> 16) & 0xFF);
    *second = static_cast<int>((timecode >> 8) & 0xFF);
    *frame = static_cast<int>(timecode & 0xFF);
    *subframeOut = static_cast<int>(subframe);
    return true;
}

bool Solvanta_TimecodeStringify(uint32_t timecode, uint32_t subframe, char* buffer,
                                int bufferSize) {
    if (buffer == nullptr || bufferSize < 1) return false;
    int hour, minute, second, frame, sub;
    Solvanta_DecodeTimecode(timecode, subframe, &hour, &minute, &second, &frame, &sub);
    // snprintf cuts a text that does not fit and always terminates within bufferSize.
    std::snprintf(buffer, static_cast<size_t>(bufferSize), "%2d:%2d:%2d:%2d.%d", hour, minute,
                  second, frame, sub);
    for (char* c = buffer; *c != '\0'; ++c)
        if (*c == ' ') *c = '0';
    return true;
}
