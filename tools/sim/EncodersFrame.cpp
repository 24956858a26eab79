#include "EncodersFrame.h"

#include <cstddef>
#include <cstring>

namespace mirav::sim {
namespace {

constexpr size_t kExtendItemWireSize = 72;

void WriteRigidBody(WireWriter& w, const RigidBodyPose& body) {
    const size_t n = body.markers.size();
    w.Int32(body.id);
    for (float v : {body.x, body.y, body.z, body.qx, body.qy, body.qz, body.qw}) {
        w.Float(v);
    }
    w.Int32(static_cast<int32_t>(n));
    for (const Point& p : body.markers) {
        w.PointXyz(p);
    }
    for (size_t i = 0; i < n; ++i) {
        w.Int32(i < body.markerIds.size() ? body.markerIds[i] : 0);
    }
    for (size_t i = 0; i < n; ++i) {
        w.Float(i < body.markerSizes.size() ? body.markerSizes[i] : 0.0f);
    }
    w.Float(body.meanError);
    w.Int16(body.params);
}

void WriteBlock(WireWriter& w, const ExtensionBlock& block) {
    const bool kinematics = block.type == 1;
    const size_t itemBytes = kinematics ? block.items.size() * kExtendItemWireSize : 0;
    w.Int32(block.type);
    w.Int32(
        block.itemCountOnWire.value_or(kinematics ? static_cast<int32_t>(block.items.size()) : 0));
    w.Int32(
        block.payloadLengthOnWire.value_or(static_cast<int32_t>(itemBytes + block.payload.size())));
    if (kinematics) {
        for (const sRigidBodyExtendData& item : block.items) {
            w.Bytes(&item, kExtendItemWireSize);
        }
    }
    w.Bytes(block.payload);
}

}  // namespace

std::vector<uint8_t> EncodeFrameBody(const FrameScene& scene) {
    WireWriter w;
    w.Int32(scene.frameNumber);
    w.Int32(static_cast<int32_t>(scene.markerSets.size()));
    for (const MarkerSetPose& set : scene.markerSets) {
        w.Name(set.name);
        w.Int32(static_cast<int32_t>(set.markers.size()));
        for (const Point& p : set.markers) {
            w.PointXyz(p);
        }
    }
    w.Int32(static_cast<int32_t>(scene.otherMarkers.size()));
    for (const Point& p : scene.otherMarkers) {
        w.PointXyz(p);
    }
    w.Int32(static_cast<int32_t>(scene.rigidBodies.size()));
    for (const RigidBodyPose& body : scene.rigidBodies) {
        WriteRigidBody(w, body);
    }
    w.Int32(static_cast<int32_t>(scene.skeletons.size()));
    for (const SkeletonPose& skeleton : scene.skeletons) {
        w.Int32(skeleton.id);
        w.Int32(static_cast<int32_t>(skeleton.bones.size()));
        for (const RigidBodyPose& bone : skeleton.bones) {
            WriteRigidBody(w, bone);
        }
    }
    w.Int32(static_cast<int32_t>(scene.labeledMarkers.size()));
    for (const sMarker& m : scene.labeledMarkers) {
        w.Int32(m.id);
        w.Float(m.x);
        w.Float(m.y);
        w.Float(m.z);
        w.Float(m.size);
        w.Int32(m.reserved);
    }
    w.Int32(static_cast<int32_t>(scene.analog.size()));
    for (float v : scene.analog) {
        w.Float(v);
    }
    w.Float(scene.latency);
    w.UInt32(scene.timecode);
    w.UInt32(scene.timecodeSubframe);
    w.Int64(scene.timeStamp);
    w.Int16(scene.params);
    w.Bytes(scene.extension);
    return w.Take();
}

std::vector<uint8_t> EncodeExtension(const std::vector<ExtensionBlock>& blocks,
                                     std::optional<int32_t> blockCountOnWire) {
    WireWriter w;
    w.Int32(blockCountOnWire.value_or(static_cast<int32_t>(blocks.size())));
    for (const ExtensionBlock& block : blocks) {
        WriteBlock(w, block);
    }
    return w.Take();
}

sRigidBodyExtendData MakeExtendItem(int32_t seed) {
    sRigidBodyExtendData item;
    std::memset(&item, 0, sizeof item);
    item.id = seed;
    float values[17];
    for (int i = 0; i < 17; ++i) {
        values[i] = static_cast<float>(seed) + 0.25f * static_cast<float>(i + 1);
    }
    std::memcpy(reinterpret_cast<uint8_t*>(&item) + offsetof(sRigidBodyExtendData, roll), values,
                sizeof values);
    return item;
}

namespace {

RigidBodyPose MakeBody(int32_t id, int markerCount) {
    RigidBodyPose body;
    body.id = id;
    body.x = 0.1f * static_cast<float>(id);
    body.y = 1.0f;
    body.z = -0.5f;
    body.qw = 1.0f;
    for (int m = 0; m < markerCount; ++m) {
        body.markers.push_back({0.01f * static_cast<float>(m), 0.5f, 1.5f});
        body.markerIds.push_back(id * 100 + m);
        body.markerSizes.push_back(0.014f);
    }
    body.meanError = 0.0002f;
    body.params = 1;
    return body;
}

}  // namespace

FrameScene MakeTypicalFrameScene(int32_t frameNumber) {
    FrameScene scene;
    scene.frameNumber = frameNumber;
    for (int s = 0; s < 10; ++s) {
        MarkerSetPose set;
        set.name = "MarkerSet" + std::to_string(s);
        for (int m = 0; m < 20; ++m) {
            set.markers.push_back({static_cast<float>(s), static_cast<float>(m), 0.5f});
        }
        scene.markerSets.push_back(set);
    }
    for (int b = 0; b < 20; ++b) {
        scene.rigidBodies.push_back(MakeBody(b + 1, 5));
    }
    for (int k = 0; k < 2; ++k) {
        SkeletonPose skeleton;
        skeleton.id = k + 1;
        for (int b = 0; b < 21; ++b) {
            skeleton.bones.push_back(MakeBody((k + 1) * 1000 + b, 0));
        }
        scene.skeletons.push_back(skeleton);
    }
    for (int m = 0; m < 100; ++m) {
        sMarker marker{};
        marker.id = m + 1;
        marker.x = 0.02f * static_cast<float>(m);
        marker.y = 1.0f;
        marker.z = 0.3f;
        marker.size = 0.014f;
        scene.labeledMarkers.push_back(marker);
    }
    for (int a = 0; a < 16; ++a) {
        scene.analog.push_back(0.5f * static_cast<float>(a));
    }
    scene.latency = 4.5f;
    scene.timecode = (1u << 24) | (2u << 16) | (3u << 8) | 4u;
    scene.timecodeSubframe = 1;
    scene.timeStamp = 123456789;
    scene.params = 3;
    ExtensionBlock block;
    for (int i = 0; i < 20; ++i) {
        block.items.push_back(MakeExtendItem(i + 1));
    }
    scene.extension = EncodeExtension({block});
    return scene;
}

}  // namespace mirav::sim
