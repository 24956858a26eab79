// Flat encoding of native records for the Java side: the binding writes a record into one byte
// array in the machine's byte order, and com.mirav.sdk.RecordReader builds the model objects from
// it. A frame then crosses the boundary with a handful of JNI calls instead of thousands.
//
// Every count written is already clamped to the record's capacity and to what its pointers carry,
// so the reader never sees a count it cannot trust; 0 means "nothing to set".
#ifndef MIRAV_JNI_RECORD_WRITER_H
#define MIRAV_JNI_RECORD_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mirav/MiravTypes.h"

namespace mirav::jni {

class RecordWriter {
public:
    explicit RecordWriter(std::vector<uint8_t>& out) : out_(out) { out_.clear(); }

    void I32(int32_t value) { Raw(&value, sizeof(value)); }
    void F32(float value) { Raw(&value, sizeof(value)); }
    void I64(int64_t value) { Raw(&value, sizeof(value)); }
    void Floats(const float* values, size_t count) { Raw(values, count * sizeof(float)); }
    void Ints(const int32_t* values, size_t count) { Raw(values, count * sizeof(int32_t)); }
    void Bytes(const void* bytes, size_t count) { Raw(bytes, count); }
    // A fixed UTF-8 text field up to the first NUL or the end of the field, as its count of
    // UTF-16 code units and the code units (Utf.h), so the reader only copies characters.
    void Text(const char* text, size_t fieldSize);

    const uint8_t* Data() const { return out_.data(); }
    size_t Size() const { return out_.size(); }

private:
    void Raw(const void* bytes, size_t size) {
        const auto* first = static_cast<const uint8_t*>(bytes);
        out_.insert(out_.end(), first, first + size);
    }

    std::vector<uint8_t>& out_;
};

// The frame as FrameOfMocapData; with extend, its extended data too (deliveries attach it).
void WriteFrame(RecordWriter& w, const sFrameOfMocapData& frame, bool extend);
// Extended data: 0 when there is no type-1 block with 1..1000 items, else 1 and the block.
void WriteExtendData(RecordWriter& w, const sFrameExtendData& data);
// A rigid body as a look-up by name returns it (markers as positions with IDs and sizes).
void WriteQueryRigidBody(RecordWriter& w, const sRigidBodyData& body);
// count labelled markers (clamped to the record's capacity).
void WriteLabeledMarkers(RecordWriter& w, const sMarker* markers, int count);

// A description set: every entry with its kind (-1 for kinds Java has no constant for) and
// payload; force plates carry their channel names.
void WriteDescriptions(RecordWriter& w, const sDataDescriptions& set);
void WriteServerDescription(RecordWriter& w, const sServerDescription& server);
// The frame number and the computed plates (at most 8).
void WriteForcePlates(RecordWriter& w, const sForcePlates& plates);

}  // namespace mirav::jni

#endif
