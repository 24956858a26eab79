#include "Descriptions.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "Json.h"

namespace mirav::cli {
namespace {

int Count(const sDataDescriptions& descriptions) {
    return std::min(std::max(descriptions.descriptionCount, 0), MAX_MODELS);
}

int Clamp(int count, int capacity) { return std::min(std::max(count, 0), capacity); }

std::string PlateKind(const sForcePlateDescription& plate) {
    return plate.plateKind == 0 ? "analog device" : "force plate";
}

// Plates the library computes (eight- and six-channel kinds): they are numbered 1, 2 ... in
// description order, the order of the force plate records of a frame.
bool IsComputedPlate(const sForcePlateDescription& plate) {
    return plate.plateKind == 3 || plate.plateKind == 4;
}

void PrintBones(const sSkeletonDescription& skeleton, std::FILE* out) {
    const int count = Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
    std::vector<bool> printed(static_cast<size_t>(count), false);
    // Children under their parent; bones whose parent is not in the skeleton are roots.
    std::function<void(int32_t, int)> printChildren = [&](int32_t parentId, int depth) {
        for (int b = 0; b < count; ++b) {
            const sRigidBodyDescription& bone = skeleton.rigidBodies[b];
            if (printed[static_cast<size_t>(b)] || bone.parentId != parentId) continue;
            printed[static_cast<size_t>(b)] = true;
            std::fprintf(out, "  %*s%s (id %d)\n", 2 * depth, "", bone.name, bone.id);
            if (depth < 64) printChildren(bone.id, depth + 1);
        }
    };
    for (int b = 0; b < count; ++b) {
        const sRigidBodyDescription& bone = skeleton.rigidBodies[b];
        bool hasParent = false;
        for (int p = 0; p < count; ++p)
            hasParent = hasParent || skeleton.rigidBodies[p].id == bone.parentId;
        if (!hasParent && !printed[static_cast<size_t>(b)]) {
            printed[static_cast<size_t>(b)] = true;
            std::fprintf(out, "  %s (id %d)\n", bone.name, bone.id);
            printChildren(bone.id, 1);
        }
    }
}

}  // namespace

void PrintDescriptionTree(const sDataDescriptions& descriptions, std::FILE* out) {
    std::fprintf(out, "%d descriptions\n", Count(descriptions));
    for (int i = 0; i < Count(descriptions); ++i) {
        const sDataDescription& entry = descriptions.descriptions[i];
        if (entry.Data.Any == nullptr) continue;
        switch (entry.type) {
            case Descriptor_MarkerSet: {
                const sMarkerSetDescription& set = *entry.Data.MarkerSetDescription;
                std::fprintf(out, "marker set \"%s\", %d markers\n", set.name, set.markerCount);
                for (int m = 0; m < set.markerCount && set.markerNames != nullptr; ++m) {
                    std::fprintf(out, "  %s\n", set.markerNames[m]);
                }
                break;
            }
            case Descriptor_RigidBody: {
                const sRigidBodyDescription& body = *entry.Data.RigidBodyDescription;
                std::fprintf(out, "rigid body \"%s\", id %d, parent %d, offset %g %g %g\n",
                             body.name, body.id, body.parentId, body.offsetX, body.offsetY,
                             body.offsetZ);
                break;
            }
            case Descriptor_Skeleton: {
                const sSkeletonDescription& skeleton = *entry.Data.SkeletonDescription;
                std::fprintf(out, "skeleton \"%s\", id %d, %d bones\n", skeleton.name,
                             skeleton.skeletonId, skeleton.rigidBodyCount);
                PrintBones(skeleton, out);
                break;
            }
            case Descriptor_ForcePlate: {
                const sForcePlateDescription& plate = *entry.Data.ForcePlateDescription;
                const int channels = Clamp(plate.channelCount, MAX_FORCEPLATE_CHANNELS);
                std::fprintf(out, "%s, kind %d, %d channels:", PlateKind(plate).c_str(),
                             plate.plateKind, channels);
                for (int c = 0; c < channels; ++c) {
                    std::fprintf(out, " %s",
                                 FixedText(plate.channelNames[c], MAX_NAMELENGTH).c_str());
                }
                std::fprintf(out, "\n");
                break;
            }
            case Descriptor_PositionSet: {
                const sPositionSetDescription& set = *entry.Data.PositionSetDescription;
                std::fprintf(out, "position set \"%s\", %d points\n", set.name, set.pointCount);
                break;
            }
            default:
                std::fprintf(out, "description of type %d\n", entry.type);
                break;
        }
    }
}

std::string DescriptionsJson(const sDataDescriptions& descriptions) {
    JsonWriter json;
    json.BeginObject();
    const auto section = [&](const char* name, int type,
                             const std::function<void(const sDataDescription&)>& write) {
        json.Key(name).BeginArray();
        for (int i = 0; i < Count(descriptions); ++i) {
            const sDataDescription& entry = descriptions.descriptions[i];
            if (entry.type == type && entry.Data.Any != nullptr) write(entry);
        }
        json.EndArray();
    };
    const auto rigidBody = [&](const sRigidBodyDescription& body) {
        json.BeginObject().Key("name").String(body.name).Key("id").Int(body.id);
        json.Key("parentId").Int(body.parentId);
        json.Key("offset").Point(body.offsetX, body.offsetY, body.offsetZ).EndObject();
    };
    section("markerSets", Descriptor_MarkerSet, [&](const sDataDescription& entry) {
        const sMarkerSetDescription& set = *entry.Data.MarkerSetDescription;
        json.BeginObject().Key("name").String(set.name).Key("markers").BeginArray();
        for (int m = 0; m < set.markerCount && set.markerNames != nullptr; ++m) {
            json.String(set.markerNames[m]);
        }
        json.EndArray().EndObject();
    });
    section("rigidBodies", Descriptor_RigidBody,
            [&](const sDataDescription& entry) { rigidBody(*entry.Data.RigidBodyDescription); });
    section("skeletons", Descriptor_Skeleton, [&](const sDataDescription& entry) {
        const sSkeletonDescription& skeleton = *entry.Data.SkeletonDescription;
        json.BeginObject().Key("name").String(skeleton.name).Key("id").Int(skeleton.skeletonId);
        json.Key("bones").BeginArray();
        for (int b = 0; b < Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES); ++b) {
            rigidBody(skeleton.rigidBodies[b]);
        }
        json.EndArray().EndObject();
    });
    int plateId = 0;
    section("forcePlates", Descriptor_ForcePlate, [&](const sDataDescription& entry) {
        const sForcePlateDescription& plate = *entry.Data.ForcePlateDescription;
        json.BeginObject();
        if (IsComputedPlate(plate)) json.Key("id").Int(++plateId);
        json.Key("kind").Int(plate.plateKind).Key("channels").BeginArray();
        for (int c = 0; c < Clamp(plate.channelCount, MAX_FORCEPLATE_CHANNELS); ++c) {
            json.String(FixedText(plate.channelNames[c], MAX_NAMELENGTH));
        }
        json.EndArray();
        json.Key("origin").Point(plate.origin[0], plate.origin[1], plate.origin[2]);
        json.Key("geometry").Point(plate.geometry[0], plate.geometry[1], plate.geometry[2]);
        json.EndObject();
    });
    section("positionSets", Descriptor_PositionSet, [&](const sDataDescription& entry) {
        const sPositionSetDescription& set = *entry.Data.PositionSetDescription;
        json.BeginObject().Key("name").String(set.name).Key("points").BeginArray();
        for (int p = 0; p < set.pointCount && set.points != nullptr; ++p) {
            json.Point(set.points[p][0], set.points[p][1], set.points[p][2]);
        }
        json.EndArray().EndObject();
    });
    json.EndObject();
    return json.Text();
}

NameIndex NameIndex::From(const sDataDescriptions* descriptions) {
    NameIndex index;
    if (descriptions == nullptr) return index;
    for (int i = 0; i < Count(*descriptions); ++i) {
        const sDataDescription& entry = descriptions->descriptions[i];
        if (entry.Data.Any == nullptr) continue;
        if (entry.type == Descriptor_RigidBody) {
            index.rigidBodies[entry.Data.RigidBodyDescription->id] =
                entry.Data.RigidBodyDescription->name;
        } else if (entry.type == Descriptor_Skeleton) {
            const sSkeletonDescription& skeleton = *entry.Data.SkeletonDescription;
            index.skeletons[skeleton.skeletonId] = skeleton.name;
            auto& bones = index.bones[skeleton.skeletonId];
            for (int b = 0; b < Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES); ++b) {
                bones[skeleton.rigidBodies[b].id] = skeleton.rigidBodies[b].name;
            }
        } else if (entry.type == Descriptor_ForcePlate) {
            const sForcePlateDescription& plate = *entry.Data.ForcePlateDescription;
            if (plate.plateKind != 0) ++index.forcePlates;
            for (int c = 0; c < Clamp(plate.channelCount, MAX_FORCEPLATE_CHANNELS); ++c) {
                std::string name = FixedText(plate.channelNames[c], MAX_NAMELENGTH);
                if (!IsComputedPlate(plate)) index.deviceChannels.push_back(name);
                index.allChannels.push_back(std::move(name));
            }
        }
    }
    return index;
}

std::string NameIndex::RigidBody(int32_t id) const {
    const auto found = rigidBodies.find(id);
    return found == rigidBodies.end() ? std::string() : found->second;
}

std::string NameIndex::Bone(int32_t skeletonId, int32_t boneId) const {
    const auto skeleton = bones.find(skeletonId);
    if (skeleton == bones.end()) return std::string();
    const auto found = skeleton->second.find(boneId);
    return found == skeleton->second.end() ? std::string() : found->second;
}

}  // namespace mirav::cli
