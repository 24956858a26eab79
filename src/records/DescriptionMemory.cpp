#include "records/DescriptionMemory.h"

#include "records/FrameCounts.h"
#include "records/RecordMemory.h"

namespace mirav {
namespace {

void ReleasePositionSetDescription(sPositionSetDescription* set) {
    if (set == nullptr) return;
    if (set->pointCount > 0) {
        DeleteArray(set->points);
        set->points = nullptr;
    }
    DeleteRecord(set);
}

void ReleaseDescription(sDataDescription& entry) {
    switch (entry.type) {
        case Descriptor_MarkerSet:
            ReleaseMarkerSetDescription(entry.Data.MarkerSetDescription);
            break;
        case Descriptor_RigidBody:
            DeleteRecord(entry.Data.RigidBodyDescription);
            break;
        case Descriptor_Skeleton:
            DeleteRecord(entry.Data.SkeletonDescription);
            break;
        case Descriptor_ForcePlate:
            DeleteRecord(entry.Data.ForcePlateDescription);
            break;
        case Descriptor_PositionSet:
            ReleasePositionSetDescription(entry.Data.PositionSetDescription);
            break;
        case Descriptor_Opaque:
            DeleteRecord(entry.Data.OpaqueDescription);
            break;
        default:
            return;  // unknown kinds never own a record
    }
    entry.Data.Any = nullptr;
}

}  // namespace

void ReleaseMarkerSetDescription(sMarkerSetDescription* set) {
    if (set == nullptr) return;
    if (set->markerCount > 0 && set->markerNames != nullptr) {
        for (int i = 0; i < set->markerCount; ++i) DeleteArray(set->markerNames[i]);
        DeleteArray(set->markerNames);
        set->markerNames = nullptr;
    }
    DeleteRecord(set);
}

void ReleaseDescriptionSet(sDataDescriptions* descriptions) {
    if (descriptions == nullptr) return;
    for (int i = 0, n = ClampCount(descriptions->descriptionCount, MAX_MODELS); i < n; ++i) {
        ReleaseDescription(descriptions->descriptions[i]);
    }
    DeleteRecord(descriptions);
}

}  // namespace mirav
