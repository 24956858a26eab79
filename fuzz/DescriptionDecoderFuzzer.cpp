// Fuzz target for the description decoder: the input is the description data. Every decoded
// record, array and name is read end to end so the sanitizers see anything shorter than claimed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "protocol/DescriptionDecoder.h"
#include "records/DescriptionMemory.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

volatile size_t gSink;

void CheckName(const char* name) { Check(std::strlen(name) < MAX_NAMELENGTH); }

void CheckEntry(const sDataDescription& entry) {
    switch (entry.type) {
        case Descriptor_MarkerSet: {
            const sMarkerSetDescription* set = entry.Data.MarkerSetDescription;
            Check(set != nullptr && set->markerCount >= 0);
            Check((set->markerCount == 0) == (set->markerNames == nullptr));
            CheckName(set->name);
            for (int32_t k = 0; k < set->markerCount; ++k) {
                CheckName(set->markerNames[k]);
            }
            break;
        }
        case Descriptor_RigidBody:
            Check(entry.Data.RigidBodyDescription != nullptr);
            CheckName(entry.Data.RigidBodyDescription->name);
            break;
        case Descriptor_Skeleton: {
            const sSkeletonDescription* skeleton = entry.Data.SkeletonDescription;
            Check(skeleton != nullptr);
            Check(skeleton->rigidBodyCount >= 0 && skeleton->rigidBodyCount <= MAX_SKELRIGIDBODIES);
            CheckName(skeleton->name);
            for (int32_t b = 0; b < skeleton->rigidBodyCount; ++b) {
                CheckName(skeleton->rigidBodies[b].name);
            }
            break;
        }
        case Descriptor_ForcePlate: {
            const sForcePlateDescription* plate = entry.Data.ForcePlateDescription;
            Check(plate != nullptr);
            Check(plate->channelCount >= 0 && plate->channelCount <= MAX_FORCEPLATE_CHANNELS);
            for (int32_t c = 0; c < plate->channelCount; ++c) {
                CheckName(plate->channelNames[c]);
            }
            break;
        }
        case Descriptor_PositionSet: {
            const sPositionSetDescription* set = entry.Data.PositionSetDescription;
            Check(set != nullptr && set->pointCount >= 0);
            CheckName(set->name);
            size_t sum = 0;
            for (int32_t k = 0; k < set->pointCount; ++k) {
                sum += static_cast<size_t>(set->points[k][2] != 0.0f);
            }
            gSink = sum;
            break;
        }
        case Descriptor_Opaque:
            Check(entry.Data.OpaqueDescription != nullptr);
            break;
        default:
            Check(entry.Data.Any == nullptr);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF) {
        return 0;
    }
    const int32_t length = static_cast<int32_t>(size);
    sDataDescriptions* set = nullptr;
    int32_t consumed = -1;
    Check(mirav::DecodeDescriptions(data, length, &set, &consumed) == 0);
    Check(set != nullptr);
    Check(consumed >= 0 && consumed <= length);
    Check(set->descriptionCount >= 0 && set->descriptionCount <= MAX_MODELS);
    for (int32_t i = 0; i < set->descriptionCount; ++i) {
        CheckEntry(set->descriptions[i]);
    }
    mirav::ReleaseDescriptionSet(set);
    return 0;
}
