// Release of a decoded description set for the fuzz targets, which do not link the exported
// utilities: each typed record with its arrays, then the set.
#ifndef MIRAV_FUZZ_DESCRIPTION_RELEASE_H
#define MIRAV_FUZZ_DESCRIPTION_RELEASE_H

#include "api/RecordMemory.h"
#include "mirav/MiravTypes.h"

namespace mirav::fuzz {

inline void ReleaseDescriptions(sDataDescriptions* set) {
    for (int32_t i = 0; i < set->descriptionCount; ++i) {
        sDataDescription& entry = set->descriptions[i];
        switch (entry.type) {
            case Descriptor_MarkerSet: {
                sMarkerSetDescription* markers = entry.Data.MarkerSetDescription;
                if (markers->markerNames != nullptr) {
                    for (int32_t k = 0; k < markers->markerCount; ++k) {
                        DeleteArray(markers->markerNames[k]);
                    }
                    DeleteArray(markers->markerNames);
                }
                DeleteRecord(markers);
                break;
            }
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
                DeleteArray(entry.Data.PositionSetDescription->points);
                DeleteRecord(entry.Data.PositionSetDescription);
                break;
            case Descriptor_Opaque:
                DeleteRecord(entry.Data.OpaqueDescription);
                break;
            default:
                break;
        }
    }
    DeleteRecord(set);
}

}  // namespace mirav::fuzz

#endif
