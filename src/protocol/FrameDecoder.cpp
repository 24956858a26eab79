// Decoder of the frame-data body: the base part front to back with one running position, then
// the optional extension.
#include "protocol/FrameDecoder.h"

#include <cstddef>
#include <new>

#include "protocol/ByteReader.h"
#include "protocol/FrameExtension.h"
#include "records/FrameArraySource.h"
#include "records/ReusableRecord.h"

namespace mirav {
namespace {

constexpr size_t kPointSize = sizeof(MarkerData);
// Per marker of a rigid body: a point, an int32 id and a float size.
constexpr size_t kRigidBodyMarkerSize = kPointSize + sizeof(int32_t) + sizeof(float);
// Smallest rigid-body entry: 42 bytes with no markers.
constexpr size_t kRigidBodyMinSize = 42;
// The fields before a rigid body's markers (id, x, y, z, qx, qy, qz, qw, marker count) and after
// them (mean error, params), each contiguous in the record as on the wire (little-endian host).
constexpr size_t kRigidBodyHeadSize = 36;
constexpr size_t kRigidBodyTailSize = 6;
static_assert(offsetof(sRigidBodyData, id) == 0 && offsetof(sRigidBodyData, x) == 4 &&
                  offsetof(sRigidBodyData, qw) == 28 && offsetof(sRigidBodyData, markerCount) == 32,
              "rigid body head in wire order");
static_assert(offsetof(sRigidBodyData, params) == offsetof(sRigidBodyData, meanError) + 4,
              "mean error and params adjacent");

// Every limit check is unsigned, so a negative count fails it too.
bool WithinLimit(int32_t count, uint32_t limit) { return static_cast<uint32_t>(count) <= limit; }

class BaseBodyDecoder {
public:
    BaseBodyDecoder(ByteReader& reader, sFrameOfMocapData* frame, FrameArraySource& arrays)
        : r_(reader), f_(frame), arrays_(arrays) {}

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

    // Reads count points into an array from the source (set < 0: the unlabelled markers); the
    // bytes are checked before anything is allocated.
    bool Points(int set, int32_t count, MarkerData** out) {
        const size_t n = static_cast<size_t>(count);
        if (!r_.HasElements(n, kPointSize)) {
            return false;
        }
        *out = set < 0 ? arrays_.OtherPoints(n) : arrays_.MarkerSetPoints(set, n);
        return r_.ReadElements(*out, n, kPointSize);
    }

    bool MarkerSets() {
        if (!ReadCount(&f_->markerSetCount, MAX_MARKERSETS)) {
            return false;
        }
        for (int32_t i = 0; i < f_->markerSetCount; ++i) {
            sMarkerSetData& set = f_->mocapData[i];
            if (!r_.ReadBytes(set.name, sizeof set.name) ||
                !ReadCount(&set.markerCount, MAX_MARKERS) ||
                !Points(i, set.markerCount, &set.markers)) {
                return false;
            }
            set.name[MAX_NAMELENGTH - 1] = '\0';
        }
        return true;
    }

    bool OtherMarkers() {
        return ReadCount(&f_->otherMarkerCount, MAX_UNLABELED_MARKERS) &&
               Points(-1, f_->otherMarkerCount, &f_->otherMarkers);
    }

    bool RigidBody(BodyPlace place, sRigidBodyData* body) {
        // Id, position, orientation and marker count lie in the record in wire order: one read.
        if (!r_.ReadBytes(body, kRigidBodyHeadSize) ||
            !WithinLimit(body->markerCount, MAX_MARKERS)) {
            return false;
        }
        const size_t n = static_cast<size_t>(body->markerCount);
        if (!r_.HasElements(n, kRigidBodyMarkerSize)) {
            return false;
        }
        body->markers = arrays_.BodyPoints(place, n);
        body->markerIds = arrays_.BodyIds(place, n);
        body->markerSizes = arrays_.BodySizes(place, n);
        return r_.ReadElements(body->markers, n, kPointSize) &&
               r_.ReadElements(body->markerIds, n, sizeof(int32_t)) &&
               r_.ReadElements(body->markerSizes, n, sizeof(float)) &&
               r_.ReadBytes(&body->meanError, kRigidBodyTailSize);
    }

    bool RigidBodies() {
        if (!ReadCount(&f_->rigidBodyCount, MAX_RIGIDBODIES)) {
            return false;
        }
        for (int32_t i = 0; i < f_->rigidBodyCount; ++i) {
            if (!RigidBody(BodyPlace{-1, i}, &f_->rigidBodies[i])) {
                return false;
            }
        }
        return true;
    }

    bool Skeleton(int index, sSkeletonData* skeleton) {
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
        skeleton->rigidBodyData = arrays_.Bones(index, static_cast<size_t>(boneCount));
        skeleton->rigidBodyCount = boneCount;
        for (int32_t b = 0; b < boneCount; ++b) {
            if (!RigidBody(BodyPlace{index, b}, &skeleton->rigidBodyData[b])) {
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
            if (!Skeleton(i, &f_->skeletons[i])) {
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
    FrameArraySource& arrays_;
};

}  // namespace

int DecodeFrameInto(const uint8_t* body, int32_t length, uint32_t serverVersion,
                    sFrameOfMocapData& frame, FrameArraySource& arrays, int32_t* consumed) {
    if (length < 0) {
        return 1;
    }
    ByteReader reader(body, static_cast<size_t>(length));
    if (!BaseBodyDecoder(reader, &frame, arrays).Decode()) {
        return 1;
    }
    const size_t baseLength = reader.Position();
    size_t used = baseLength;
    const uint8_t firstVersionByte = static_cast<uint8_t>(serverVersion & 0xFFu);
    if (firstVersionByte >= kExtensionMinServerVersion &&
        reader.Remaining() >= kExtensionMinRemainder) {
        // The extended data is still zero from the clear.
        used += DecodeFrameExtension(body + baseLength, reader.Remaining(), &frame.extendData);
    }
    if (consumed != nullptr) {
        *consumed = static_cast<int32_t>(used);
    }
    return 0;
}

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
        FreshFrameArrays arrays;
        if (DecodeFrameInto(body, length, serverVersion, *decoded, arrays, consumed) != 0) {
            ReleaseDecodedFrame(decoded);
            return 1;
        }
    } catch (const std::bad_alloc&) {
        ReleaseDecodedFrame(decoded);
        return 1;
    }
    *frame = decoded;
    return 0;
}

int DecodeFrameReusing(const uint8_t* body, int32_t length, uint32_t serverVersion,
                       ReusableRecord& record, int32_t* consumed) {
    record.Clear();
    int result = 1;
    try {
        result = DecodeFrameInto(body, length, serverVersion, record.Record(), record, consumed);
    } catch (const std::bad_alloc&) {
        result = 1;
    }
    record.NoteUse();
    return result;
}

}  // namespace mirav
