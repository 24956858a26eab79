// The flat layouts read by com.mirav.sdk.RecordReader; the two files change together.
#include "RecordWriter.h"

#include <algorithm>
#include <string>

#include "Utf.h"

namespace mirav::jni {
namespace {

int Clamp(int count, int capacity) { return std::clamp(count, 0, capacity); }

void Points(RecordWriter& w, const MarkerData* points, int count) {
    w.I32(count);
    if (count > 0) {
        w.Floats(&points[0][0], static_cast<size_t>(count) * 3);
    }
}

// Identity, pose and raw marker count; shared by both forms.
void Pose(RecordWriter& w, const sRigidBodyData& b) {
    w.I32(b.id);
    const float pose[7] = {b.x, b.y, b.z, b.qx, b.qy, b.qz, b.qw};
    w.Floats(pose, 7);
}

// Frame form: markers as Marker objects, then what the record also carries for each marker.
void FrameBody(RecordWriter& w, const sRigidBodyData& b) {
    Pose(w, b);
    w.I32(b.markerCount);
    const int n = b.markers != nullptr ? Clamp(b.markerCount, MAX_MARKERS) : 0;
    Points(w, b.markers, n);
    const int ids = b.markerIds != nullptr ? Clamp(b.markerCount, MAX_MARKERS) : 0;
    w.I32(ids);
    w.Ints(b.markerIds, static_cast<size_t>(ids));
    const int sizes = b.markerSizes != nullptr ? Clamp(b.markerCount, MAX_MARKERS) : 0;
    w.I32(sizes);
    w.Floats(b.markerSizes, static_cast<size_t>(sizes));
    w.F32(b.meanError);
    w.I32(b.params);
}

}  // namespace

void RecordWriter::Text(const char* text, size_t fieldSize) {
    const void* end = std::memchr(text, 0, fieldSize);
    const size_t length =
        end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : fieldSize;
    const std::u16string chars = Utf16FromUtf8(text, length);
    I32(static_cast<int32_t>(chars.size()));
    Raw(chars.data(), chars.size() * sizeof(char16_t));
}

void WriteFrame(RecordWriter& w, const sFrameOfMocapData& f, bool extend) {
    const int32_t counts[7] = {f.frameNumber,    f.markerSetCount,     f.rigidBodyCount,
                               f.skeletonCount,  f.labeledMarkerCount, f.otherMarkerCount,
                               f.analogDataCount};
    w.Ints(counts, 7);
    w.F32(f.latency);
    w.I32(static_cast<int32_t>(f.timecode));
    w.I32(static_cast<int32_t>(f.timecodeSubframe));
    w.I64(f.timeStamp);
    w.I32(f.params);

    const int sets = Clamp(f.markerSetCount, MAX_MARKERSETS);
    w.I32(sets);
    for (int i = 0; i < sets; ++i) {
        const sMarkerSetData& s = f.mocapData[i];
        w.Text(s.name, sizeof(s.name));
        w.I32(s.markerCount);
        Points(w, s.markers, s.markers != nullptr ? Clamp(s.markerCount, MAX_MARKERS) : 0);
    }
    const int bodies = Clamp(f.rigidBodyCount, MAX_RIGIDBODIES);
    w.I32(bodies);
    for (int i = 0; i < bodies; ++i) {
        FrameBody(w, f.rigidBodies[i]);
    }
    const int skeletons = Clamp(f.skeletonCount, MAX_SKELETONS);
    w.I32(skeletons);
    for (int i = 0; i < skeletons; ++i) {
        const sSkeletonData& s = f.skeletons[i];
        w.I32(s.skeletonId);
        w.I32(s.rigidBodyCount);
        const int bones =
            s.rigidBodyData != nullptr ? Clamp(s.rigidBodyCount, MAX_SKELRIGIDBODIES) : 0;
        w.I32(bones);
        for (int b = 0; b < bones; ++b) {
            FrameBody(w, s.rigidBodyData[b]);
        }
    }
    Points(w, f.otherMarkers,
           f.otherMarkers != nullptr ? Clamp(f.otherMarkerCount, MAX_UNLABELED_MARKERS) : 0);
    WriteLabeledMarkers(w, f.labeledMarkers, f.labeledMarkerCount);
    const int analog = Clamp(f.analogDataCount, MAX_ANALOG_CHANNELS);
    w.I32(analog);
    w.Floats(f.analogData, static_cast<size_t>(analog));
    if (extend) {
        WriteExtendData(w, f.extendData);
    } else {
        w.I32(0);
    }
}

void WriteExtendData(RecordWriter& w, const sFrameExtendData& data) {
    const sExtendDataBlock* block = nullptr;
    const int blocks = Clamp(data.extendDataNum, MAX_EXTEND_BLOCKS);
    for (int i = 0; i < blocks && block == nullptr; ++i) {
        if (data.blocks[i].type == 1) {
            block = &data.blocks[i];
        }
    }
    if (block == nullptr || block->itemCount < 1 || block->itemCount > MAX_EXTEND_ITEMS) {
        w.I32(0);
        return;
    }
    w.I32(1);
    w.I32(data.extendDataNum);
    w.I32(block->itemCount);
    for (int i = 0; i < block->itemCount; ++i) {
        const sRigidBodyExtendData& x = block->items[i];
        w.I32(x.id);
        const float values[17] = {x.roll,   x.pitch,    x.yaw,       x.rollVel, x.pitchVel,
                                  x.yawVel, x.rollAvel, x.pitchAvel, x.yawAvel, x.xVel,
                                  x.yVel,   x.zVel,     x.rVel,      x.xAvel,   x.yAvel,
                                  x.zAvel,  x.rAvel};
        w.Floats(values, 17);
    }
}

void WriteQueryRigidBody(RecordWriter& w, const sRigidBodyData& b) {
    Pose(w, b);
    // 1..999 markers are carried; anything else is treated as no markers at all.
    const int n = (b.markerCount >= 1 && b.markerCount <= 999) ? b.markerCount : 0;
    w.I32(n);
    w.F32(b.meanError);
    w.I32(b.params);
    Points(w, b.markers, b.markers != nullptr ? n : 0);
    const int ids = b.markerIds != nullptr ? n : 0;
    w.I32(ids);
    w.Ints(b.markerIds, static_cast<size_t>(ids));
    const int sizes = b.markerSizes != nullptr ? n : 0;
    w.I32(sizes);
    w.Floats(b.markerSizes, static_cast<size_t>(sizes));
}

void WriteLabeledMarkers(RecordWriter& w, const sMarker* markers, int count) {
    const int n = markers != nullptr ? Clamp(count, MAX_LABELED_MARKERS) : 0;
    w.I32(n);
    for (int i = 0; i < n; ++i) {
        const sMarker& m = markers[i];
        w.I32(m.id);
        const float values[4] = {m.x, m.y, m.z, m.size};
        w.Floats(values, 4);
    }
}

}  // namespace mirav::jni
