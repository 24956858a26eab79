#include "CsvWriter.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>

namespace mirav::cli {
namespace {

const char* const kAxes[] = {"X", "Y", "Z"};
const char* const kPoseColumns[] = {"X", "Y", "Z", "QX", "QY", "QZ", "QW"};

void AppendNumber(std::string& row, float value) {
    row += ',';
    if (!std::isfinite(value)) return;
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::general);
    row.append(text, written.ptr);
}

void AppendEmpty(std::string& row, int count) { row.append(static_cast<size_t>(count), ','); }

// A rigid body or bone column group: a key to find the pose in a frame and the column name.
struct PoseColumn {
    int32_t skeletonId = 0;  // 0 for a rigid body
    int32_t id = 0;
    std::string name;
};

std::vector<PoseColumn> PoseColumns(const ExportSource& source) {
    std::set<int32_t> bodies;
    std::map<int32_t, std::set<int32_t>> bones;
    for (const FrameCopy& f : source.frames) {
        for (const Pose& body : f.rigidBodies) bodies.insert(body.id);
        for (const FrameCopy::Skeleton& s : f.skeletons) {
            for (const Pose& bone : s.bones) bones[s.id].insert(bone.id);
        }
    }
    std::vector<PoseColumn> columns;
    const auto orId = [](std::string name, const char* kind, int32_t id) {
        return name.empty() ? kind + std::to_string(id) : name;
    };
    for (int32_t id : bodies) {
        columns.push_back({0, id, orId(source.names.RigidBody(id), "RigidBody", id)});
    }
    for (const auto& [skeleton, ids] : bones) {
        const auto named = source.names.skeletons.find(skeleton);
        const std::string prefix = named != source.names.skeletons.end()
                                       ? named->second
                                       : "Skeleton" + std::to_string(skeleton);
        for (int32_t id : ids) {
            columns.push_back(
                {skeleton, id, prefix + ":" + orId(source.names.Bone(skeleton, id), "Bone", id)});
        }
    }
    return columns;
}

const Pose* FindPose(const FrameCopy& f, const PoseColumn& column) {
    if (column.skeletonId == 0) {
        for (const Pose& body : f.rigidBodies) {
            if (body.id == column.id) return &body;
        }
        return nullptr;
    }
    for (const FrameCopy::Skeleton& s : f.skeletons) {
        if (s.id != column.skeletonId) continue;
        for (const Pose& bone : s.bones) {
            if (bone.id == column.id) return &bone;
        }
    }
    return nullptr;
}

void WriteHeader(const C3dContent& c, const std::vector<PoseColumn>& poses, std::ostream& out) {
    std::string names = "frame,time", units = ",s";
    for (const std::string& label : c.pointLabels) {
        for (const char* axis : kAxes) {
            names += ',' + CsvField(label + " " + axis);
            units += ',' + CsvField(c.pointUnits);
        }
    }
    for (const PoseColumn& pose : poses) {
        for (int k = 0; k < 7; ++k) {
            names += ',' + CsvField(pose.name + " " + kPoseColumns[k]);
            units += ',' + (k < 3 ? CsvField(c.pointUnits) : std::string());
        }
    }
    for (size_t ch = 0; ch < c.analogLabels.size(); ++ch) {
        names += ',' + CsvField(c.analogLabels[ch]);
        units += ',' + CsvField(ch < c.analogUnits.size() ? c.analogUnits[ch] : "");
    }
    out << names << '\n' << units << '\n';
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + '"';
}

void WriteCsv(const ExportSource& source, const C3dContent& c, std::ostream& out) {
    const std::vector<PoseColumn> poses = PoseColumns(source);
    WriteHeader(c, poses, out);
    const size_t points = c.pointLabels.size();
    const size_t channels = c.analogLabels.size();
    const int32_t firstNumber = source.frames.empty() ? 0 : source.frames.front().frameNumber;
    std::string row;
    size_t f = 0;  // the frame's row of the C3D content, which also holds filled-in frames
    for (size_t i = 0; i < source.frames.size(); ++i, ++f) {
        const FrameCopy& frame = source.frames[i];
        if (i > 0) {
            const int64_t gap = int64_t{frame.frameNumber} - source.frames[i - 1].frameNumber - 1;
            if (gap > 0 && gap <= kMaxFilledGap) f += static_cast<size_t>(gap);
        }
        row = std::to_string(frame.frameNumber);
        const double seconds = static_cast<double>(int64_t{frame.frameNumber} - firstNumber);
        AppendNumber(row, static_cast<float>(seconds / source.frameRate));
        for (size_t i = 0; i < points; ++i) {
            const C3dSample& s = c.points[f * points + i];
            if (!s.valid) {
                AppendEmpty(row, 3);
                continue;
            }
            AppendNumber(row, s.x);
            AppendNumber(row, s.y);
            AppendNumber(row, s.z);
        }
        for (const PoseColumn& column : poses) {
            const Pose* pose = FindPose(frame, column);
            if (pose == nullptr || !pose->tracked) {
                AppendEmpty(row, 7);
                continue;
            }
            for (float v : {pose->x, pose->y, pose->z, pose->qx, pose->qy, pose->qz, pose->qw}) {
                AppendNumber(row, v);
            }
        }
        for (size_t ch = 0; ch < channels; ++ch) AppendNumber(row, c.analog[f * channels + ch]);
        out << row << '\n';
    }
}

}  // namespace mirav::cli
