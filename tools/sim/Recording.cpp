// Conversion of C3D and BVH recordings into a recorded take, and the take's descriptions and
// frame content for the server.
#include "Recording.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <set>

#include "BvhReader.h"
#include "C3dReader.h"
#include "ForcePlateSim.h"
#include "RecordingPlates.h"

namespace mirav::sim {

namespace {

// C3D stores no marker size; a typical passive gait marker diameter, in millimetres.
constexpr double kMarkerSizeMm = 14.0;

std::string FileStem(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Labels made unique: a repeated label gets "_2", "_3" ... (skipping names already in use).
std::vector<std::string> UniqueNames(const std::vector<std::string>& labels) {
    std::set<std::string> used(labels.begin(), labels.end());
    std::set<std::string> seen;
    std::vector<std::string> out;
    for (const std::string& label : labels) {
        std::string name = label;
        if (!seen.insert(label).second) {
            for (int n = 2;; ++n) {
                name = label + "_" + std::to_string(n);
                if (!used.count(name)) break;
            }
            used.insert(name);
        }
        out.push_back(name.substr(0, MAX_NAMELENGTH - 1));
    }
    return out;
}

// Rates such as 1 / 0.0083333 are meant to be whole numbers.
double TidyRate(double rate) {
    const double whole = std::round(rate);
    return whole > 0 && std::fabs(rate - whole) <= 1e-3 * whole ? whole : rate;
}

double MillimetresPerUnit(const std::string& units) {
    if (units == "m") return 1000.0;
    if (units == "cm") return 10.0;
    return 1.0;
}

void FillC3dFrames(const C3dFile& file, const std::vector<PlatePlan>& plates,
                   const std::vector<int>& otherChannels, RecordedTake& take) {
    const int markerCount = std::min(file.header.pointCount, MAX_MARKERS);
    const float size = static_cast<float>(kMarkerSizeMm / MillimetresPerUnit(file.pointUnits));
    take.frames.resize(static_cast<size_t>(file.frameCount));
    for (int f = 0; f < file.frameCount; ++f) {
        RecordedFrame& frame = take.frames[f];
        frame.frameNumber = file.firstFrame + f;
        RecordingTimecode(frame.frameNumber, take.frameRate, frame.timecode,
                          frame.timecodeSubframe);
        frame.markerSetPositions.resize(static_cast<size_t>(markerCount));
        for (int i = 0; i < markerCount; ++i) {
            const C3dPoint& p = file.Point(f, i);
            if (!p.valid) continue;
            frame.markerSetPositions[i] = Point{p.x, p.y, p.z};
            frame.labeledMarkers.push_back(RecordedMarker{i + 1, p.x, p.y, p.z, size});
        }
        for (const PlatePlan& plate : plates)
            AppendPlateFrameChannels(file, plate, f, frame.analog);
        for (int c : otherChannels) {
            frame.analog.push_back(static_cast<float>(FrameChannelMean(file, f, c)));
        }
    }
}

}  // namespace

void RecordingTimecode(int64_t frameNumber, double frameRate, uint32_t& timecode,
                       uint32_t& subframe) {
    timecode = 0;
    subframe = 0;
    const int64_t rate = std::llround(frameRate);
    if (rate <= 0 || frameNumber < 1) return;
    int64_t timecodeRate = 0;
    for (int64_t candidate : {30, 25, 24}) {
        if (rate % candidate == 0) {
            timecodeRate = candidate;
            break;
        }
    }
    if (timecodeRate == 0) timecodeRate = rate <= 255 ? rate : 30;
    const int64_t index = frameNumber - 1;
    const int64_t second = index / rate;
    const int64_t inSecond = index % rate;
    const int64_t timecodeFrame = inSecond * timecodeRate / rate;
    // First capture frame of this timecode frame (ceiling of its start time in capture frames).
    const int64_t firstOfFrame = (timecodeFrame * rate + timecodeRate - 1) / timecodeRate;
    const uint32_t hours = static_cast<uint32_t>((second / 3600) % 24);
    const uint32_t minutes = static_cast<uint32_t>((second / 60) % 60);
    const uint32_t seconds = static_cast<uint32_t>(second % 60);
    timecode =
        (hours << 24) | (minutes << 16) | (seconds << 8) | static_cast<uint32_t>(timecodeFrame);
    subframe = static_cast<uint32_t>(inSecond - firstOfFrame);
}

bool LoadC3dTake(const std::string& path, RecordedTake& take, std::string& error) {
    C3dFile file;
    if (!ReadC3dFile(path, file, error)) return false;
    take = RecordedTake{};
    take.source = path;
    take.frameRate = TidyRate(file.frameRate);

    const auto subjects = file.parameters.Strings("SUBJECTS", "NAMES");
    take.markerSetName = !subjects.empty() && !subjects[0].empty() ? subjects[0] : FileStem(path);
    std::vector<std::string> labels = file.pointLabels;
    if (labels.size() > MAX_MARKERS) labels.resize(MAX_MARKERS);
    take.markerNames = UniqueNames(labels);

    const std::vector<PlatePlan> plates = PlanC3dPlates(file);
    std::set<int> plateChannels;
    size_t used = 0;
    for (const PlatePlan& plate : plates) {
        take.forcePlates.push_back(plate.description);
        plateChannels.insert(plate.sourceChannels.begin(), plate.sourceChannels.end());
        used += plate.sourceChannels.size();
    }
    std::vector<int> others;
    std::vector<std::string> otherNames;
    for (int c = 0; c < file.analogChannelCount && used + others.size() < MAX_ANALOG_CHANNELS;
         ++c) {
        if (plateChannels.count(c)) continue;
        others.push_back(c);
        otherNames.push_back(file.analogLabels[c]);
    }
    if (!others.empty()) take.forcePlates.push_back(MakeAnalogDeviceDescription(otherNames));

    FillC3dFrames(file, plates, others, take);
    return true;
}

bool LoadBvhTake(const std::string& path, RecordedTake& take, std::string& error) {
    BvhFile file;
    if (!ReadBvhFile(path, file, error)) return false;
    if (file.joints.size() > MAX_SKELRIGIDBODIES) {
        error = path + ": " + std::to_string(file.joints.size()) + " joints, more than the " +
                std::to_string(MAX_SKELRIGIDBODIES) + " bones a skeleton can carry";
        return false;
    }
    take = RecordedTake{};
    take.source = path;
    take.frameRate = TidyRate(1.0 / file.frameTime);
    take.skeletonName = FileStem(path);
    for (size_t i = 0; i < file.joints.size(); ++i) {
        const BvhJoint& joint = file.joints[i];
        sRigidBodyDescription bone = MakeRigidBodyDescription(
            joint.name, static_cast<int32_t>(i + 1), static_cast<int32_t>(joint.parent + 1));
        bone.offsetX = static_cast<float>(joint.offset[0]);
        bone.offsetY = static_cast<float>(joint.offset[1]);
        bone.offsetZ = static_cast<float>(joint.offset[2]);
        take.boneDescriptions.push_back(bone);
    }
    take.frames.resize(file.frameCount);
    for (size_t f = 0; f < file.frameCount; ++f) {
        RecordedFrame& frame = take.frames[f];
        frame.frameNumber = static_cast<int32_t>(f + 1);
        RecordingTimecode(frame.frameNumber, take.frameRate, frame.timecode,
                          frame.timecodeSubframe);
        const std::vector<BvhPose> poses = ComputeBvhPoses(file, f);
        for (size_t i = 0; i < poses.size(); ++i) {
            const BvhPose& p = poses[i];
            RecordedBone bone;
            bone.id = static_cast<int32_t>(i + 1);
            bone.parentId = static_cast<int32_t>(file.joints[i].parent + 1);
            bone.name = file.joints[i].name;
            bone.x = static_cast<float>(p.position[0]);
            bone.y = static_cast<float>(p.position[1]);
            bone.z = static_cast<float>(p.position[2]);
            bone.qx = static_cast<float>(p.rotation[0]);
            bone.qy = static_cast<float>(p.rotation[1]);
            bone.qz = static_cast<float>(p.rotation[2]);
            bone.qw = static_cast<float>(p.rotation[3]);
            frame.bones.push_back(std::move(bone));
        }
    }
    return true;
}

bool LoadTake(const std::string& path, RecordedTake& take, std::string& error) {
    const size_t dot = path.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "c3d") return LoadC3dTake(path, take, error);
    if (extension == "bvh") return LoadBvhTake(path, take, error);
    error = path + ": not a .c3d or .bvh file";
    return false;
}

std::vector<uint8_t> TakeDescriptionData(const RecordedTake& take) {
    DescriptionDataEncoder encoder;
    AddTakeDescriptions(take, encoder);
    return encoder.Encode();
}

std::vector<uint8_t> TakeFrameBody(const RecordedTake& take, int32_t frameNumber) {
    const size_t count = take.FrameCount();
    const size_t index =
        count == 0 || frameNumber < 1 ? 0 : static_cast<size_t>(frameNumber - 1) % count;
    return EncodeFrameBody(MakeTakeFrameScene(take, index, frameNumber));
}

void AddTakeDescriptions(const RecordedTake& take, DescriptionDataEncoder& encoder) {
    if (!take.markerNames.empty()) encoder.MarkerSet(take.markerSetName, take.markerNames);
    if (!take.boneDescriptions.empty()) {
        encoder.Skeleton(take.skeletonName, take.skeletonId, take.boneDescriptions);
    }
    for (const sForcePlateDescription& plate : take.forcePlates) encoder.ForcePlate(plate);
}

FrameScene MakeTakeFrameScene(const RecordedTake& take, size_t index, int32_t frameNumber) {
    FrameScene scene;
    scene.frameNumber = frameNumber;
    if (index >= take.frames.size()) return scene;
    const RecordedFrame& frame = take.frames[index];
    if (!take.markerNames.empty()) {
        scene.markerSets.push_back(MarkerSetPose{take.markerSetName, frame.markerSetPositions});
    }
    for (const RecordedMarker& m : frame.labeledMarkers) {
        sMarker marker{};
        marker.id = m.id;
        marker.x = m.x;
        marker.y = m.y;
        marker.z = m.z;
        marker.size = m.size;
        scene.labeledMarkers.push_back(marker);
    }
    if (!frame.bones.empty()) {
        SkeletonPose skeleton;
        skeleton.id = take.skeletonId;
        for (const RecordedBone& b : frame.bones) {
            RigidBodyPose pose;
            pose.id = b.id;
            pose.x = b.x;
            pose.y = b.y;
            pose.z = b.z;
            pose.qx = b.qx;
            pose.qy = b.qy;
            pose.qz = b.qz;
            pose.qw = b.qw;
            skeleton.bones.push_back(std::move(pose));
        }
        scene.skeletons.push_back(std::move(skeleton));
    }
    scene.analog = frame.analog;
    scene.timecode = frame.timecode;
    scene.timecodeSubframe = frame.timecodeSubframe;
    return scene;
}

}  // namespace mirav::sim
