#include "Scene.h"

#include <cmath>

#include "EncodersDescription.h"
#include "ForcePlateSim.h"
#include "Recording.h"

namespace mirav::sim {
namespace {

constexpr float kPi = 3.14159265f;
const char* const kBoneNames[Scene::kBones] = {"Hips", "Spine", "Head", "LeftFoot", "RightFoot"};
const float kBoneHeights[Scene::kBones] = {0.95f, 1.25f, 1.65f, 0.05f, 0.05f};

int32_t RigidBodyId(int index) { return index + 1; }
// Bones of skeleton s (from 0) are numbered 100 + 10 s + b.
int32_t BoneId(int skeleton, int index) { return 100 + 10 * skeleton + index; }
int32_t SkeletonId(int skeleton) { return Scene::kSkeletonId + skeleton; }

// Packs hours, minutes, seconds and frames of a running clock into the wire timecode.
uint32_t TimecodeAt(int32_t frameNumber, double frameRate) {
    const int fps = frameRate >= 1 ? static_cast<int>(frameRate) : 1;
    const int64_t totalSeconds = frameNumber / fps;
    const auto frames = static_cast<uint32_t>(frameNumber % fps) & 0xFFu;
    const auto seconds = static_cast<uint32_t>(totalSeconds % 60);
    const auto minutes = static_cast<uint32_t>((totalSeconds / 60) % 60);
    const auto hours = static_cast<uint32_t>((totalSeconds / 3600) % 24);
    return (hours << 24) | (minutes << 16) | (seconds << 8) | frames;
}

}  // namespace

std::string Scene::RigidBodyName(int index) { return "RigidBody" + std::to_string(index + 1); }
std::string Scene::BoneName(int index) { return kBoneNames[index % kBones]; }
std::string Scene::MarkerSetName() { return "Wand"; }
std::string Scene::MarkerName(int index) { return "Wand_" + std::to_string(index + 1); }
std::string Scene::SkeletonName(int index) {
    return index == 0 ? "Walker" : "Walker" + std::to_string(index + 1);
}

void Scene::SetSize(int rigidBodies, int skeletons, int markersPerSet) {
    rigidBodies_ = rigidBodies;
    skeletons_ = skeletons;
    markersPerSet_ = markersPerSet;
}
std::string Scene::AnalogName(int index) { return "Analog " + std::to_string(index + 1); }

FrameScene Scene::Frame(int32_t frameNumber) const {
    if (take_ != nullptr && take_->FrameCount() > 0) {
        const auto index = static_cast<size_t>(frameNumber - 1) % take_->FrameCount();
        return MakeTakeFrameScene(*take_, index, frameNumber);
    }
    FrameScene frame;
    frame.frameNumber = frameNumber;
    const float t = static_cast<float>(frameNumber / frameRate_);

    // Rigid bodies circle the origin at different radii and speeds, turning about z.
    for (int i = 0; i < rigidBodies_; ++i) {
        const float radius = 0.5f + 0.5f * static_cast<float>(i);
        const float angle = t * (0.5f + 0.25f * static_cast<float>(i));
        RigidBodyPose body;
        body.id = RigidBodyId(i);
        body.x = radius * std::cos(angle);
        body.y = radius * std::sin(angle);
        body.z = 1.0f + 0.1f * static_cast<float>(i);
        body.qz = std::sin(angle / 2);
        body.qw = std::cos(angle / 2);
        for (int m = 0; m < 3; ++m) {
            body.markers.push_back({body.x + 0.05f * static_cast<float>(m), body.y, body.z});
            body.markerIds.push_back(body.id * 10 + m);
            body.markerSizes.push_back(0.014f);
        }
        body.meanError = 0.0002f;
        body.params = 1;
        frame.rigidBodies.push_back(body);
    }

    // The skeletons walk along x, a metre apart in y; their feet alternate.
    const float walk = 0.8f * t;
    for (int s = 0; s < skeletons_; ++s) {
        SkeletonPose skeleton;
        skeleton.id = SkeletonId(s);
        for (int b = 0; b < kBones; ++b) {
            RigidBodyPose bone;
            bone.id = BoneId(s, b);
            const float stride = b == 3   ? 0.2f * std::sin(2 * kPi * t)
                                 : b == 4 ? -0.2f * std::sin(2 * kPi * t)
                                          : 0;
            bone.x = std::fmod(walk, 6.0f) - 3.0f + stride;
            bone.y = (b == 3 ? 0.1f : b == 4 ? -0.1f : 0) + static_cast<float>(s);
            bone.z = kBoneHeights[b];
            bone.params = 1;
            skeleton.bones.push_back(bone);
        }
        frame.skeletons.push_back(skeleton);
    }

    // The wand: its markers in a line, waved up and down.
    if (markersPerSet_ > 0) {
        MarkerSetPose wand;
        wand.name = MarkerSetName();
        for (int m = 0; m < markersPerSet_; ++m) {
            wand.markers.push_back({0.1f * static_cast<float>(m), 0.0f, 1.5f + 0.2f * std::sin(t)});
        }
        frame.markerSets.push_back(wand);
    }

    for (int i = 0; i < rigidBodies_; ++i) {
        const RigidBodyPose& body = frame.rigidBodies[static_cast<size_t>(i)];
        sMarker marker{};
        marker.id = body.id * 10;
        marker.x = body.x;
        marker.y = body.y;
        marker.z = body.z;
        marker.size = 0.014f;
        frame.labeledMarkers.push_back(marker);
    }
    frame.otherMarkers.push_back({std::cos(t), 2.0f, 0.02f});
    frame.otherMarkers.push_back({-1.0f, std::sin(t), 0.02f});

    AppendPlatesChannels(forcePlates_, DemoStepLoads(forcePlates_, frameNumber - 1), frame.analog);
    for (int a = 0; a < kAnalogChannels; ++a) {
        frame.analog.push_back(std::sin(t + static_cast<float>(a)));
    }
    frame.latency = 2.5f;
    frame.timecode = TimecodeAt(frameNumber, frameRate_);
    frame.timecodeSubframe = 0;
    frame.timeStamp = static_cast<int64_t>(frameNumber) * 1000000 /
                      static_cast<int64_t>(frameRate_ >= 1 ? frameRate_ : 1);
    return frame;
}

std::vector<uint8_t> Scene::FrameBody(int32_t frameNumber) const {
    return EncodeFrameBody(Frame(frameNumber));
}

std::vector<uint8_t> Scene::DescriptionData() const {
    if (take_ != nullptr) return TakeDescriptionData(*take_);
    DescriptionDataEncoder encoder;
    if (markersPerSet_ > 0) {
        std::vector<std::string> markerNames;
        for (int m = 0; m < markersPerSet_; ++m) markerNames.push_back(MarkerName(m));
        encoder.MarkerSet(MarkerSetName(), markerNames);
    }
    for (int i = 0; i < rigidBodies_; ++i) {
        encoder.RigidBody(MakeRigidBodyDescription(RigidBodyName(i), RigidBodyId(i), -1));
    }
    for (int s = 0; s < skeletons_; ++s) {
        std::vector<sRigidBodyDescription> bones;
        for (int b = 0; b < kBones; ++b) {
            bones.push_back(
                MakeRigidBodyDescription(BoneName(b), BoneId(s, b), b == 0 ? -1 : BoneId(s, 0)));
        }
        encoder.Skeleton(SkeletonName(s), SkeletonId(s), bones);
    }
    if (!forcePlates_.empty()) {
        for (const sForcePlateDescription& plate : forcePlates_) encoder.ForcePlate(plate);
        std::vector<std::string> analogNames;
        for (int a = 0; a < kAnalogChannels; ++a) analogNames.push_back(AnalogName(a));
        encoder.ForcePlate(MakeAnalogDeviceDescription(analogNames));
    }
    return encoder.Encode();
}

std::vector<uint8_t> Scene::TposeDescriptionData(const std::string& name) const {
    DescriptionDataEncoder encoder;
    if (take_ != nullptr) {
        // A take's skeleton in the pose its hierarchy describes.
        if (!take_->boneDescriptions.empty()) {
            encoder.Skeleton(name, take_->skeletonId, take_->boneDescriptions);
        }
        return encoder.Encode();
    }
    std::vector<sRigidBodyDescription> bones;
    for (int b = 0; b < kBones; ++b) {
        sRigidBodyDescription bone =
            MakeRigidBodyDescription(BoneName(b), BoneId(0, b), b == 0 ? -1 : BoneId(0, 0));
        bone.offsetZ = kBoneHeights[b];
        bones.push_back(bone);
    }
    encoder.Skeleton(name, kSkeletonId, bones);
    return encoder.Encode();
}

}  // namespace mirav::sim
