// Release of description records: the one place that knows what each kind of description owns.
#ifndef MIRAV_RECORDS_DESCRIPTION_MEMORY_H
#define MIRAV_RECORDS_DESCRIPTION_MEMORY_H

#include "mirav/MiravTypes.h"

namespace mirav {

// Releases the marker name buffers and their array (when markerCount > 0), then the record.
// Null is ignored.
void ReleaseMarkerSetDescription(sMarkerSetDescription* set);

// Releases the typed record of each of the first descriptionCount entries (at most 200) with
// its arrays, nulling the entry's pointer, then the set itself. Null is ignored.
void ReleaseDescriptionSet(sDataDescriptions* descriptions);

}  // namespace mirav

#endif
