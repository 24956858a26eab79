// Per-frame accessors: each reads the current frame record under the frame lock.
#include <cstring>

#include "store/FrameStore.h"

int FrameStore::GetLastFrameDataByType(int type) {
    System::CGuard guard(frameLock_);
    switch (type) {
        case 1:
            return current_.frameNumber;
        case 2:
            return current_.markerSetCount;
        case 3:
            return current_.rigidBodyCount;
        case 4:
            return current_.skeletonCount;
        case 5:
            return current_.labeledMarkerCount;
        case 6:
            return current_.otherMarkerCount;
        case 7:
            return current_.analogDataCount;
        case 8:
            return current_.params;  // sign-extended from 16 bits
        default:
            return -1;
    }
}

int FrameStore::GetLastFrameExtendData(sFrameExtendData& extendData) {
    System::CGuard guard(frameLock_);
    std::memcpy(&extendData, &current_.extendData, sizeof(extendData));
    return 0;
}

int FrameStore::GetLastFrameLabeledMarker(sMarker** markers) {
    if (markers == nullptr) return 4;
    System::CGuard guard(frameLock_);
    *markers = current_.labeledMarkers;
    return 0;
}

float FrameStore::GetLastFrameLatency() {
    System::CGuard guard(frameLock_);
    return current_.latency;
}

uint32_t FrameStore::GetLastFrameSubframe() {
    System::CGuard guard(frameLock_);
    return current_.timecodeSubframe;
}

int64_t FrameStore::GetLastFrameTimeStamp() {
    System::CGuard guard(frameLock_);
    return current_.timeStamp;
}

uint32_t FrameStore::GetLastFrameTimecode() {
    System::CGuard guard(frameLock_);
    return current_.timecode;
}

// Hands out a pointer into the unlabelled markers. An emptied record (see ForgetEmptiedRecord)
// has a count of 0 and a null array, so it gives 4.
int FrameStore::GetLastFrameUndefined(int index, float** point) {
    if (point == nullptr || index < 0) return 4;
    System::CGuard guard(frameLock_);
    ForgetEmptiedRecord();
    if (current_.otherMarkers == nullptr || index >= current_.otherMarkerCount) return 4;
    *point = current_.otherMarkers[index];
    return 0;
}
