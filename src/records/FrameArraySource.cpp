#include "records/FrameArraySource.h"

#include <cstring>

#include "records/RecordMemory.h"

namespace mirav {

MarkerData* FreshFrameArrays::MarkerSetPoints(int, size_t count) {
    return NewArray<MarkerData>(count);
}

MarkerData* FreshFrameArrays::OtherPoints(size_t count) { return NewArray<MarkerData>(count); }

MarkerData* FreshFrameArrays::BodyPoints(BodyPlace, size_t count) {
    return NewArray<MarkerData>(count);
}

int32_t* FreshFrameArrays::BodyIds(BodyPlace, size_t count) { return NewArray<int32_t>(count); }

float* FreshFrameArrays::BodySizes(BodyPlace, size_t count) { return NewArray<float>(count); }

sRigidBodyData* FreshFrameArrays::Bones(int, size_t count) {
    sRigidBodyData* bones = NewArray<sRigidBodyData>(count);
    // The constructor leaves the pose and the padding unset; every byte starts at zero so a
    // bone's padding never carries stale heap contents to the application.
    std::memset(static_cast<void*>(bones), 0, sizeof(sRigidBodyData) * count);
    return bones;
}

}  // namespace mirav
