// Decoder of the frame-data body: the base part front to back with one running position, then
// the optional extension.
#include "protocol/FrameDecoder.h"

#include <new>

#include "protocol/ByteReader.h"
#include "protocol/FrameExtension.h"
#include "records/RecordMemory.h"

namespace mirav {
namespace {

constexpr size_t kPointSize = sizeof(MarkerData);
// Per marker of a rigid body: a point, an int32 id and a float size.
constexpr size_t kRigidBodyMarkerSize = kPointSize + sizeof(int32_t) + sizeof(float);
// Smallest rigid-body entry: 42 bytes with no markers.
constexpr size_t kRigidBodyMinSize = 42;

// Every limit check is unsigned, so a negative count fails it too.
bool WithinLimit(int32_t count, uint32_t limit) { return static_cast<uint32_t>(count) <= limit; }

class BaseBodyDecoder {
public:
    BaseBodyDecoder(ByteReader& reader, sFrameOfMocapData* frame) : r_(reader), f_(frame) {}

    // False rejects the body: a limit exceeded or the body shorter than its counts imply. The
    // counts are stored before their arrays are allocated, so the frame's release frees exactly
    // what was allocated so far.
    bool Decode() {
        return r_.ReadInt32(&f_->frameNumber) && MarkerSets() && OtherMarkers() && RigidBodies() &&
               Skeletons() && LabeledMarkers() && Analog() && Trailer();
    }

private:
    bool ReadCount(int32_t* count, uint32_t limit) {
        return r_.ReadInt32(count) && WithinLimit(*count, limit);
    }

    // Reads count points into a new array; the bytes are checked before anything is allocated.
    bool Points(int32_t count, MarkerData** out) {
        if (!r_.HasElements(static_cast<size_t>(count), kPointSize)) {
            return false;
        }
        *out = NewArray<MarkerData>(static_cast<size_t>(count));
        return r_.ReadElements(*out, static_cast<size_t>(count), kPointSize);
    }

    bool MarkerSets() {
        if (!ReadCount(&f_->markerSetCount, MAX_MARKERSETS)) {
            return false;
        }
        for (int32_t i = 0; i < f_->markerSetCount; ++i) {
            sMarkerSetData& set = f_->mocapData[i];
            if (!r_.ReadBytes(set.name, sizeof set.name) ||
                !ReadCount(&set.markerCount, MAX_MARKERS) ||
                !Points(set.markerCount, &set.markers)) {
                return false;
            }
            set.name[MAX_NAMELENGTH - 1] = '\0';
        }
        return true;
    }

    bool OtherMarkers() {
        return ReadCount(&f_->otherMarkerCount, MAX_UNLABELED_MARKERS) &&
               Points(f_->otherMarkerCount, &f_->otherMarkers);
    }

    bool RigidBody(sRigidBodyData* body) {
        if (!r_.ReadInt32(&body->id) || !r_.ReadFloat(&body->x) || !r_.ReadFloat(&body->y) ||
            !r_.ReadFloat(&body->z) || !r_.ReadFloat(&body->qx) || !r_.ReadFloat(&body->qy) ||
            !r_.ReadFloat(&body->qz) || !r_.ReadFloat(&body->qw) ||
            !ReadCount(&body->markerCount, MAX_MARKERS)) {
            return false;
        }
        const size_t n = static_cast<size_t>(body->markerCount);
        if (!r_.HasElements(n, kRigidBodyMarkerSize)) {
            return false;
        }
        body->markers = NewArray<MarkerData>(n);
        body->markerIds = NewArray<int32_t>(n);
        body->markerSizes = NewArray<float>(n);
        return r_.ReadElements(body->markers, n, kPointSize) &&
               r_.ReadElements(body->markerIds, n, sizeof(int32_t)) &&
               r_.ReadElements(body->markerSizes, n, sizeof(float)) &&
               r_.ReadFloat(&body->meanError) && r_.ReadInt16(&body->params);
    }

    bool RigidBodies() {
        if (!ReadCount(&f_->rigidBodyCount, MAX_RIGIDBODIES)) {
            return false;
        }
        for (int32_t i = 0; i < f_->rigidBodyCount; ++i) {
            if (!RigidBody(&f_->rigidBodies[i])) {
                return false;
            }
        }
        return true;
    }

    bool Skeleton(sSkeletonData* skeleton) {
        int32_t boneCount = 0;
        if (!r_.ReadInt32(&skeleton->skeletonId) || !ReadCount(&boneCount, MAX_SKELRIGIDBODIES)) {
            return false;
        }
        if (boneCount == 0) {
            return true;  // a skeleton without bones keeps a null bone array
        }
        if (!r_.HasElements(static_cast<size_t>(boneCount), kRigidBodyMinSize)) {
            return false;
        }
        skeleton->rigidBodyData = NewArray<sRigidBodyData>(static_cast<size_t>(boneCount));
        skeleton->rigidBodyCount = boneCount;
        for (int32_t b = 0; b < boneCount; ++b) {
            if (!RigidBody(&skeleton->rigidBodyData[b])) {
                return false;
            }
        }
        return true;
    }

    bool Skeletons() {
        // The frame holds at most 100 skeletons; a larger count rejects the body like the other
        // limits.
        if (!ReadCount(&f_->skeletonCount, MAX_SKELETONS)) {
            return false;
        }
        for (int32_t i = 0; i < f_->skeletonCount; ++i) {
            if (!Skeleton(&f_->skeletons[i])) {
                return false;
            }
        }
        return true;
    }

    bool LabeledMarkers() {
        return ReadCount(&f_->labeledMarkerCount, MAX_LABELED_MARKERS) &&
               r_.ReadElements(f_->labeledMarkers, static_cast<size_t>(f_->labeledMarkerCount),
                               sizeof(sMarker));
    }

    bool Analog() {
        return ReadCount(&f_->analogDataCount, MAX_ANALOG_CHANNELS) &&
               r_.ReadElements(f_->analogData, static_cast<size_t>(f_->analogDataCount),
                               sizeof(float));
    }

    bool Trailer() {
        return r_.ReadFloat(&f_->latency) && r_.ReadUInt32(&f_->timecode) &&
               r_.ReadUInt32(&f_->timecodeSubframe) && r_.ReadInt64(&f_->timeStamp) &&
               r_.ReadInt16(&f_->params);
    }

    ByteReader& r_;
    sFrameOfMocapData* f_;
};

}  // namespace

int DecodeFrame(const uint8_t* body, int32_t length, uint32_t serverVersion,
                sFrameOfMocapData** frame, int32_t* consumed) {
    if (frame == nullptr) {
        return 1;
    }
    *frame = nullptr;
    if (length < 0) {
        return 1;
    }
    sFrameOfMocapData* decoded = nullptr;
    try {
        decoded = AllocateDecodedFrame();
        ByteReader reader(body, static_cast<size_t>(length));
        if (!BaseBodyDecoder(reader, decoded).Decode()) {
            ReleaseDecodedFrame(decoded);
            return 1;
        }
        const size_t baseLength = reader.Position();
        size_t used = baseLength;
        const uint8_t firstVersionByte = static_cast<uint8_t>(serverVersion & 0xFFu);
        if (firstVersionByte >= kExtensionMinServerVersion &&
            reader.Remaining() >= kExtensionMinRemainder) {
            // The extended data is still zero from the allocation.
            used +=
                DecodeFrameExtension(body + baseLength, reader.Remaining(), &decoded->extendData);
        }
        if (consumed != nullptr) {
            *consumed = static_cast<int32_t>(used);
        }
    } catch (const std::bad_alloc&) {
        ReleaseDecodedFrame(decoded);
        return 1;
    }
    *frame = decoded;
    return 0;
}

}  // namespace mirav
