// The Solvanta_ record utilities: thin exported forwards to the records module for copying and
// releasing frames and descriptions, plus version and timecode decoding.
#include <cstdio>
#include <cstring>

#include "api/Boundary.h"
#include "mirav/MiravUtilities.h"
#include "mirav/MiravVersion.h"
#include "records/DescriptionMemory.h"
#include "records/FrameMemory.h"
#include "store/GlobalObject.h"

namespace {

constexpr int kOk = 0;
constexpr int kNullArgument = 2;
constexpr unsigned char kVersion[4] = {MIRAV_SDK_VERSION_MAJOR, MIRAV_SDK_VERSION_MINOR,
                                       MIRAV_SDK_VERSION_PATCH, MIRAV_SDK_VERSION_BUILD};

}  // namespace

int Solvanta_CopyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination) {
    if (source == nullptr || destination == nullptr) return kNullArgument;
    if (source == destination) return kOk;
    return mirav::CallGuarded(kNullArgument, [&] {
        std::memcpy(static_cast<void*>(destination), source, sizeof(sFrameOfMocapData));
        // Arrays with a count of 0 stay shared with the source; Solvanta_FreeFrame leaves them.
        mirav::DuplicateFrameArrays(*destination, mirav::CountZeroArrays::kSkip);
        return kOk;
    });
}

int Solvanta_FreeFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) return kNullArgument;
    const bool nothingToFree = frame->otherMarkers == nullptr && frame->markerSetCount == 0 &&
                               frame->otherMarkerCount == 0 && frame->rigidBodyCount == 0 &&
                               frame->skeletonCount == 0;
    if (nothingToFree) return kOk;
    mirav::ReleaseFrameArrays(*frame, mirav::CountZeroArrays::kSkip);
    mirav::ClearRecord(*frame);
    return kOk;
}

int Solvanta_FreeDescriptions(sDataDescriptions* descriptions) {
    if (descriptions == nullptr) return kNullArgument;
    mirav::ReleaseDescriptionSet(descriptions);
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
