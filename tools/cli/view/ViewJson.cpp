#include "ViewJson.h"

#include <algorithm>

#include "ExportModel.h"
#include "Json.h"

namespace mirav::cli {
namespace {

void WritePoint(JsonWriter& json, const std::vector<float>& p) {
    json.Point(p.size() > 0 ? p[0] : 0, p.size() > 1 ? p[1] : 0, p.size() > 2 ? p[2] : 0);
}

void WritePose(JsonWriter& json, const Pose& pose) {
    json.Key("id").Int(pose.id).Key("p").Point(pose.x, pose.y, pose.z);
    json.Key("q").BeginArray().Float(pose.qx).Float(pose.qy).Float(pose.qz).Float(pose.qw);
    json.EndArray().Key("tracked").Bool(pose.tracked).Key("error").Float(pose.meanError);
}

}  // namespace

ViewScene ViewScene::From(const sDataDescriptions* d) {
    ViewScene scene;
    scene.names = NameIndex::From(d);
    if (d == nullptr) return scene;
    for (int i = 0; i < std::min(d->descriptionCount, MAX_MODELS); ++i) {
        const sDataDescription& entry = d->descriptions[i];
        if (entry.Data.Any == nullptr) continue;
        if (entry.type == Descriptor_Skeleton) {
            const sSkeletonDescription& s = *entry.Data.SkeletonDescription;
            for (int b = 0; b < std::clamp(s.rigidBodyCount, 0, MAX_SKELRIGIDBODIES); ++b) {
                scene.boneParents[s.skeletonId][s.rigidBodies[b].id] = s.rigidBodies[b].parentId;
            }
        } else if (entry.type == Descriptor_ForcePlate) {
            const sForcePlateDescription& plate = *entry.Data.ForcePlateDescription;
            if (plate.plateKind == 3 || plate.plateKind == 4) scene.plates.push_back(plate);
        }
    }
    return scene;
}

std::string SceneMessage(const ViewScene& scene, const std::string& source, size_t frames) {
    JsonWriter json;
    json.BeginObject().Key("type").String("scene").Key("source").String(source);
    json.Key("units").String(scene.units);
    if (source == "replay") json.Key("frames").Int(static_cast<int64_t>(frames));
    json.Key("plates").BeginArray();
    const double mm = MillimetresPer(scene.units.empty() ? "mm" : scene.units);
    for (const sForcePlateDescription& plate : scene.plates) {
        double corners[4][3];
        PlateCorners(plate, mm, corners);
        json.BeginObject().Key("corners").BeginArray();
        for (const auto& c : corners) {
            json.Point(static_cast<float>(c[0]), static_cast<float>(c[1]),
                       static_cast<float>(c[2]));
        }
        json.EndArray().EndObject();
    }
    json.EndArray().Key("skeletons").BeginObject();
    for (const auto& [id, parents] : scene.boneParents) {
        json.Key(std::to_string(id)).BeginObject();
        const auto name = scene.names.skeletons.find(id);
        json.Key("name").String(name == scene.names.skeletons.end() ? "" : name->second);
        json.Key("parents").BeginObject();
        for (const auto& [bone, parent] : parents) json.Key(std::to_string(bone)).Int(parent);
        json.EndObject().EndObject();
    }
    json.EndObject().EndObject();
    return json.Text();
}

std::string FrameMessageStart(const FrameCopy& frame, const ViewScene& scene) {
    JsonWriter json;
    json.BeginObject().Key("type").String("frame").Key("frame").Int(frame.frameNumber);
    json.Key("latency").Float(frame.latency).Key("sets").BeginArray();
    for (const FrameCopy::MarkerSet& set : frame.markerSets) {
        json.BeginObject().Key("name").String(set.name).Key("markers").BeginArray();
        for (const auto& p : set.markers) WritePoint(json, p);
        json.EndArray().EndObject();
    }
    json.EndArray().Key("labeled").BeginArray();
    for (const sMarker& m : frame.labeledMarkers) json.Point(m.x, m.y, m.z);
    json.EndArray().Key("unlabeled").BeginArray();
    for (const auto& p : frame.otherMarkers) WritePoint(json, p);
    json.EndArray().Key("bodies").BeginArray();
    for (const Pose& body : frame.rigidBodies) {
        json.BeginObject();
        WritePose(json, body);
        json.Key("name").String(scene.names.RigidBody(body.id)).EndObject();
    }
    json.EndArray().Key("skeletons").BeginArray();
    for (const FrameCopy::Skeleton& s : frame.skeletons) {
        json.BeginObject().Key("id").Int(s.id).Key("bones").BeginArray();
        for (const Pose& bone : s.bones) {
            json.BeginObject();
            WritePose(json, bone);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray().Key("forces").BeginArray();
    for (const sForcePlateData& f : frame.forcePlates) {
        json.BeginObject().Key("f").Point(f.fx, f.fy, f.fz);
        json.Key("cop").Point(f.copX, f.copY, f.copZ).EndObject();
    }
    json.EndArray();
    std::string text = json.Text();
    return text;  // the object is still open
}

}  // namespace mirav::cli
