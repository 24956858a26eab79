// Decoder of description data: a count, then typed entries read front to back.
//
// Truncation rule (the decoder never rejects the data, it keeps what is whole):
// - A negative description count gives an empty set; a count above the 200 slots of the set reads
//   the first 200 entries and ignores the rest.
// - An entry that does not fit in the received bytes, or whose own count is negative, ends the
//   set before that entry: descriptionCount is the number of whole entries before it and nothing
//   is kept of it. Every count is checked against the bytes left before anything is allocated.
// - A skeleton with more than 200 bones keeps its first 200; the others are skipped so the next
//   entry is read from the right place.
// - An entry of unknown type consumes only its type field and keeps a null record pointer, so the
//   release of the set skips it.
// - Every 256-byte name ends with a zero byte, so a name from the server can be read as text
//   without running past its buffer; force plates keep at most 32 channel names.
#include "protocol/DescriptionDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "protocol/ByteReader.h"
#include "records/DescriptionMemory.h"
#include "records/RecordMemory.h"

namespace mirav {
namespace {

constexpr size_t kNameSize = MAX_NAMELENGTH;
constexpr size_t kPointSize = sizeof(MarkerData);
constexpr size_t kRigidBodySize = sizeof(sRigidBodyDescription);
constexpr size_t kForcePlateSize = sizeof(sForcePlateDescription);
constexpr size_t kOpaqueSize = sizeof(sOpaqueDescription);
static_assert(kRigidBodySize == 292 && kForcePlateSize == 8584 && kOpaqueSize == 20,
              "description records are copied as sent");

template <class T>
T* NewZeroedRecord() {
    T* record = NewRecord<T>();
    std::memset(static_cast<void*>(record), 0, sizeof(T));
    return record;
}

void Terminate(char* name) { name[kNameSize - 1] = '\0'; }

// Each reader below returns the new record, or null when the entry does not fit (nothing is
// left allocated then).

sMarkerSetDescription* ReadMarkerSet(ByteReader& r) {
    int32_t count = 0;
    if (!r.ReadInt32(&count) || count < 0 || !r.HasBytes(kNameSize)) {
        return nullptr;
    }
    const size_t k = static_cast<size_t>(count);
    if ((r.Remaining() - kNameSize) / kNameSize < k) {
        return nullptr;
    }
    sMarkerSetDescription* set = NewZeroedRecord<sMarkerSetDescription>();
    r.ReadBytes(set->name, kNameSize);
    Terminate(set->name);
    if (k == 0) {
        return set;
    }
    try {
        set->markerNames = NewArray<char*>(k);
        std::fill(set->markerNames, set->markerNames + k, nullptr);
        set->markerCount = count;
        for (size_t i = 0; i < k; ++i) {
            set->markerNames[i] = NewArray<char>(kNameSize);
            r.ReadBytes(set->markerNames[i], kNameSize);
            Terminate(set->markerNames[i]);
        }
    } catch (...) {
        ReleaseMarkerSetDescription(set);
        throw;
    }
    return set;
}

sRigidBodyDescription* ReadRigidBody(ByteReader& r) {
    if (!r.HasBytes(kRigidBodySize)) {
        return nullptr;
    }
    sRigidBodyDescription* body = NewRecord<sRigidBodyDescription>();
    r.ReadBytes(body, kRigidBodySize);
    Terminate(body->name);
    return body;
}

sSkeletonDescription* ReadSkeleton(ByteReader& r) {
    ByteReader probe = r;
    int32_t id = 0;
    int32_t count = 0;
    if (!probe.Skip(kNameSize) || !probe.ReadInt32(&id) || !probe.ReadInt32(&count) || count < 0 ||
        !probe.HasElements(static_cast<size_t>(count), kRigidBodySize)) {
        return nullptr;
    }
    const int32_t kept = std::min(count, static_cast<int32_t>(MAX_SKELRIGIDBODIES));
    sSkeletonDescription* skeleton = NewZeroedRecord<sSkeletonDescription>();
    r.ReadBytes(skeleton->name, kNameSize);
    Terminate(skeleton->name);
    r.Skip(2 * sizeof(int32_t));
    skeleton->skeletonId = id;
    skeleton->rigidBodyCount = kept;
    r.ReadElements(skeleton->rigidBodies, static_cast<size_t>(kept), kRigidBodySize);
    for (int32_t i = 0; i < kept; ++i) {
        Terminate(skeleton->rigidBodies[i].name);
    }
    r.Skip(static_cast<size_t>(count - kept) * kRigidBodySize);
    return skeleton;
}

sForcePlateDescription* ReadForcePlate(ByteReader& r) {
    if (!r.HasBytes(kForcePlateSize)) {
        return nullptr;
    }
    sForcePlateDescription* plate = NewRecord<sForcePlateDescription>();
    r.ReadBytes(plate, kForcePlateSize);
    plate->channelCount = std::min(std::max(plate->channelCount, 0), MAX_FORCEPLATE_CHANNELS);
    for (auto& name : plate->channelNames) {
        Terminate(name);
    }
    return plate;
}

sPositionSetDescription* ReadPositionSet(ByteReader& r) {
    int32_t count = 0;
    if (!r.ReadInt32(&count) || count < 0 || !r.HasBytes(kNameSize)) {
        return nullptr;
    }
    const size_t k = static_cast<size_t>(count);
    if ((r.Remaining() - kNameSize) / kPointSize < k) {
        return nullptr;
    }
    sPositionSetDescription* set = NewZeroedRecord<sPositionSetDescription>();
    r.ReadBytes(set->name, kNameSize);
    Terminate(set->name);
    if (k > 0) {
        try {
            set->points = NewArray<MarkerData>(k);
        } catch (...) {
            DeleteRecord(set);
            throw;
        }
        set->pointCount = count;
        r.ReadElements(set->points, k, kPointSize);
    }
    return set;
}

sOpaqueDescription* ReadOpaque(ByteReader& r) {
    if (!r.HasBytes(kOpaqueSize)) {
        return nullptr;
    }
    sOpaqueDescription* opaque = NewRecord<sOpaqueDescription>();
    r.ReadBytes(opaque, kOpaqueSize);
    return opaque;
}

// Reads one entry into *entry and advances reader past it; false (reader unchanged, entry
// untouched) when the entry does not fit.
bool ReadEntry(ByteReader& reader, sDataDescription* entry) {
    ByteReader r = reader;
    int32_t type = 0;
    if (!r.ReadInt32(&type)) {
        return false;
    }
    void* record = nullptr;
    switch (type) {
        case Descriptor_MarkerSet:
            record = ReadMarkerSet(r);
            break;
        case Descriptor_RigidBody:
            record = ReadRigidBody(r);
            break;
        case Descriptor_Skeleton:
            record = ReadSkeleton(r);
            break;
        case Descriptor_ForcePlate:
            record = ReadForcePlate(r);
            break;
        case Descriptor_PositionSet:
            record = ReadPositionSet(r);
            break;
        case Descriptor_Opaque:
            record = ReadOpaque(r);
            break;
        default:
            // Unknown type: only the type field is consumed and no record is attached.
            entry->type = type;
            entry->Data.Any = nullptr;
            reader = r;
            return true;
    }
    if (record == nullptr) {
        return false;
    }
    entry->type = type;
    entry->Data.Any = record;
    reader = r;
    return true;
}

}  // namespace

int DecodeDescriptions(const uint8_t* data, int32_t length, sDataDescriptions** descriptions,
                       int32_t* consumed) {
    if (descriptions == nullptr) {
        return 1;
    }
    *descriptions = nullptr;
    sDataDescriptions* set = nullptr;
    try {
        set = NewZeroedRecord<sDataDescriptions>();
    } catch (const std::bad_alloc&) {
        return 1;
    }
    ByteReader reader(data, length > 0 ? static_cast<size_t>(length) : 0);
    int32_t count = 0;
    if (reader.ReadInt32(&count)) {
        const int32_t wanted = std::min(std::max(count, 0), static_cast<int32_t>(MAX_MODELS));
        try {
            for (int32_t i = 0; i < wanted && ReadEntry(reader, &set->descriptions[i]); ++i) {
                set->descriptionCount = i + 1;
            }
        } catch (const std::bad_alloc&) {
            // Out of memory: keep the entries that are whole, as for an entry that does not fit.
        }
    }
    if (consumed != nullptr) {
        *consumed = static_cast<int32_t>(reader.Position());
    }
    *descriptions = set;
    return 0;
}

}  // namespace mirav
