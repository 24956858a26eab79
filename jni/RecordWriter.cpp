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

namespace {

constexpr int kJavaKinds = 4;  // marker set, rigid body, skeleton, force plate

void RigidBodyDescription(RecordWriter& w, const sRigidBodyDescription& d) {
    w.Text(d.name, sizeof(d.name));
    w.I32(d.id);
    w.I32(d.parentId);
    const float values[7] = {d.offsetX, d.offsetY, d.offsetZ, d.qx, d.qy, d.qz, d.qw};
    w.Floats(values, 7);
}

void MarkerSetDescription(RecordWriter& w, const sMarkerSetDescription& d) {
    w.Text(d.name, sizeof(d.name));
    w.I32(d.markerCount);
    // The library allocated exactly markerCount name pointers.
    const int names = d.markerNames != nullptr && d.markerCount > 0 ? d.markerCount : 0;
    w.I32(names);
    for (int j = 0; j < names; ++j) {
        w.I32(d.markerNames[j] != nullptr ? 1 : 0);  // a missing name stays null
        if (d.markerNames[j] != nullptr) {
            w.Text(d.markerNames[j], MAX_NAMELENGTH);
        }
    }
}

void SkeletonDescription(RecordWriter& w, const sSkeletonDescription& d) {
    w.Text(d.name, sizeof(d.name));
    w.I32(d.skeletonId);
    w.I32(d.rigidBodyCount);
    const int bones = Clamp(d.rigidBodyCount, MAX_SKELRIGIDBODIES);
    w.I32(bones);
    for (int m = 0; m < bones; ++m) {
        RigidBodyDescription(w, d.rigidBodies[m]);
    }
}

void ForcePlateDescription(RecordWriter& w, const sForcePlateDescription& d) {
    const int channels = Clamp(d.channelCount, MAX_FORCEPLATE_CHANNELS);
    w.I32(channels);
    for (int c = 0; c < channels; ++c) {
        w.Text(d.channelNames[c], MAX_NAMELENGTH);
    }
}

}  // namespace

void WriteDescriptions(RecordWriter& w, const sDataDescriptions& set) {
    w.I32(set.descriptionCount);
    const int count = Clamp(set.descriptionCount, MAX_MODELS);
    w.I32(count);
    for (int i = 0; i < count; ++i) {
        const sDataDescription& d = set.descriptions[i];
        const bool known = d.type >= 0 && d.type < kJavaKinds;
        w.I32(known ? d.type : -1);
        if (!known) {
            continue;
        }
        w.I32(d.Data.Any != nullptr ? 1 : 0);
        if (d.Data.Any == nullptr) {
            continue;
        }
        switch (d.type) {
            case Descriptor_MarkerSet:
                MarkerSetDescription(w, *d.Data.MarkerSetDescription);
                break;
            case Descriptor_RigidBody:
                RigidBodyDescription(w, *d.Data.RigidBodyDescription);
                break;
            case Descriptor_Skeleton:
                SkeletonDescription(w, *d.Data.SkeletonDescription);
                break;
            default:
                ForcePlateDescription(w, *d.Data.ForcePlateDescription);
                break;
        }
    }
}

void WriteServerDescription(RecordWriter& w, const sServerDescription& s) {
    w.I32(s.hostPresent ? 1 : 0);
    w.Text(s.hostComputerName, sizeof(s.hostComputerName));
    w.Bytes(s.hostComputerAddress, 4);
    w.Text(s.hostApp, sizeof(s.hostApp));
    w.Bytes(s.hostAppVersion, 4);
    w.Bytes(s.sdkVersion, 4);
}

void WriteForcePlates(RecordWriter& w, const sForcePlates& plates) {
    w.I32(plates.frameNumber);
    const int count = Clamp(plates.forcePlateCount, MAX_FORCEPLATES);
    w.I32(count);
    for (int i = 0; i < count; ++i) {
        const sForcePlateData& d = plates.forcePlates[i];
        const float values[7] = {d.fx, d.fy, d.fz, d.copX, d.copY, d.copZ, d.tz};
        w.Floats(values, 7);
    }
}

}  // namespace mirav::jni
