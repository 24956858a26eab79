// BVH tokenizer, hierarchy and motion parser, and forward kinematics.
#include "BvhReader.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "C3dReader.h"

namespace mirav::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Far above real files; keeps a corrupt header from asking for unbounded memory.
constexpr size_t kMaxValues = size_t{1} << 28;
constexpr size_t kMaxDepth = 256;

class Tokens {
public:
    explicit Tokens(const std::string& text) : text_(text) {}

    // Next whitespace-separated word (CR counts as whitespace); empty at the end of the text.
    std::string Next() {
        Skip();
        const size_t start = pos_;
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }
    bool Number(double& value) {
        const std::string word = Next();
        if (word.empty()) return false;
        errno = 0;
        char* end = nullptr;
        value = std::strtod(word.c_str(), &end);
        return end == word.c_str() + word.size() && errno != ERANGE && std::isfinite(value);
    }
    bool Count(size_t& value) {
        const std::string word = Next();
        if (word.empty() || word.size() > 12) return false;
        for (char c : word) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        }
        value = std::stoull(word);
        return true;
    }
    // The rest of the current line, trimmed (joint names may contain spaces).
    std::string RestOfLine() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        std::string line = text_.substr(start, pos_ - start);
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
            line.pop_back();
        }
        return line;
    }
    size_t Line() const {
        size_t line = 1;
        for (size_t i = 0; i < pos_ && i < text_.size(); ++i) line += text_[i] == '\n';
        return line;
    }

private:
    void Skip() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    const std::string& text_;
    size_t pos_ = 0;
};

bool ChannelFromName(const std::string& name, BvhChannel& channel) {
    static const char* const kNames[] = {"Xposition", "Yposition", "Zposition",
                                         "Xrotation", "Yrotation", "Zrotation"};
    for (int i = 0; i < 6; ++i) {
        if (name == kNames[i]) {
            channel = static_cast<BvhChannel>(i);
            return true;
        }
    }
    return false;
}

class HierarchyParser {
public:
    HierarchyParser(Tokens& tokens, BvhFile& out, std::string& error)
        : t_(tokens), out_(out), error_(error) {}

    // Parses the body "{ ... }" of a joint already added at index joint.
    bool Body(size_t joint, size_t depth) {
        if (depth > kMaxDepth)
            return Fail("hierarchy nested deeper than " + std::to_string(kMaxDepth) + " levels");
        if (t_.Next() != "{") return Fail("expected '{' after joint " + out_.joints[joint].name);
        bool haveOffset = false;
        for (;;) {
            const std::string word = t_.Next();
            if (word == "}") {
                if (!haveOffset) return Fail("joint " + out_.joints[joint].name + " has no OFFSET");
                return true;
            }
            if (word == "OFFSET") {
                for (double& v : out_.joints[joint].offset) {
                    if (!t_.Number(v)) return Fail("bad OFFSET value");
                }
                haveOffset = true;
            } else if (word == "CHANNELS") {
                if (!Channels(joint)) return false;
            } else if (word == "JOINT") {
                if (!Child(joint, depth)) return false;
            } else if (word == "End") {
                if (!EndSite(joint)) return false;
            } else if (word.empty()) {
                return Fail("file ends inside joint " + out_.joints[joint].name);
            } else {
                return Fail("unexpected '" + word + "' in joint " + out_.joints[joint].name);
            }
        }
    }

    bool Fail(const std::string& message) {
        error_ = "line " + std::to_string(t_.Line()) + ": " + message;
        return false;
    }

private:
    bool Channels(size_t joint) {
        size_t count = 0;
        if (!t_.Count(count) || count > 6) return Fail("bad CHANNELS count");
        BvhJoint& j = out_.joints[joint];
        if (!j.channels.empty()) return Fail("joint " + j.name + " has two CHANNELS lines");
        j.firstChannel = out_.channelCount;
        for (size_t i = 0; i < count; ++i) {
            BvhChannel c;
            const std::string name = t_.Next();
            if (!ChannelFromName(name, c)) return Fail("unknown channel '" + name + "'");
            j.channels.push_back(c);
        }
        out_.channelCount += count;
        return true;
    }

    bool Child(size_t parent, size_t depth) {
        BvhJoint child;
        child.name = t_.RestOfLine();
        if (child.name.empty()) return Fail("JOINT without a name");
        child.parent = static_cast<int>(parent);
        out_.joints.push_back(child);
        return Body(out_.joints.size() - 1, depth + 1);
    }

    bool EndSite(size_t joint) {
        if (t_.Next() != "Site" || t_.Next() != "{" || t_.Next() != "OFFSET") {
            return Fail("malformed End Site");
        }
        std::vector<double> offset(3);
        for (double& v : offset) {
            if (!t_.Number(v)) return Fail("bad End Site OFFSET value");
        }
        if (t_.Next() != "}") return Fail("End Site not closed");
        out_.joints[joint].endSites.push_back(offset);
        return true;
    }

    Tokens& t_;
    BvhFile& out_;
    std::string& error_;
};

bool ParseMotion(Tokens& t, BvhFile& out, HierarchyParser& p) {
    if (t.Next() != "Frames:" || !t.Count(out.frameCount)) return p.Fail("expected 'Frames: N'");
    if (t.Next() != "Frame" || t.Next() != "Time:" || !t.Number(out.frameTime) ||
        !(out.frameTime > 0)) {
        return p.Fail("expected 'Frame Time: T' with T > 0");
    }
    if (out.channelCount != 0 && out.frameCount > kMaxValues / out.channelCount) {
        return p.Fail("Frames claims more values than this reader takes");
    }
    const size_t total = out.frameCount * out.channelCount;
    out.values.reserve(std::min(total, size_t{1} << 20));
    for (size_t i = 0; i < total; ++i) {
        double v;
        if (!t.Number(v)) {
            return p.Fail("frame " + std::to_string(i / out.channelCount + 1) +
                          " is missing or has a bad value (" +
                          std::to_string(i % out.channelCount) + " of " +
                          std::to_string(out.channelCount) + " read)");
        }
        out.values.push_back(v);
    }
    return true;
}

// Quaternion helpers (x, y, z, w).
void Multiply(const double* a, const double* b, double* out) {
    const double x = a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1];
    const double y = a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0];
    const double z = a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3];
    const double w = a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
    out[3] = w;
}

void Rotate(const double* q, const double* v, double* out) {
    const double p[4] = {v[0], v[1], v[2], 0};
    const double conj[4] = {-q[0], -q[1], -q[2], q[3]};
    double tmp[4], r[4];
    Multiply(q, p, tmp);
    Multiply(tmp, conj, r);
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

}  // namespace

bool ParseBvh(const std::string& text, BvhFile& out, std::string& error) {
    out = BvhFile{};
    Tokens t(text);
    HierarchyParser parser(t, out, error);
    if (t.Next() != "HIERARCHY") return parser.Fail("file does not start with HIERARCHY");
    std::string word = t.Next();
    if (word != "ROOT") return parser.Fail("expected ROOT");
    while (word == "ROOT") {
        BvhJoint root;
        root.name = t.RestOfLine();
        if (root.name.empty()) return parser.Fail("ROOT without a name");
        out.joints.push_back(root);
        if (!parser.Body(out.joints.size() - 1, 0)) return false;
        word = t.Next();
    }
    if (word != "MOTION") return parser.Fail("expected MOTION after the hierarchy");
    return ParseMotion(t, out, parser);
}

bool ReadBvhFile(const std::string& path, BvhFile& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    if (!ParseBvh(std::string(bytes.begin(), bytes.end()), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<BvhPose> ComputeBvhPoses(const BvhFile& file, size_t frame) {
    std::vector<BvhPose> poses(file.joints.size());
    if (frame >= file.frameCount) return poses;
    const double* values = file.Frame(frame);
    for (size_t i = 0; i < file.joints.size(); ++i) {
        const BvhJoint& joint = file.joints[i];
        double translation[3] = {joint.offset[0], joint.offset[1], joint.offset[2]};
        double local[4] = {0, 0, 0, 1};
        for (size_t c = 0; c < joint.channels.size(); ++c) {
            const double v = values[joint.firstChannel + c];
            const int kind = static_cast<int>(joint.channels[c]);
            if (kind < 3) {
                translation[kind] += v;
                continue;
            }
            const double half = v * kPi / 360.0;
            double axis[4] = {0, 0, 0, std::cos(half)};
            axis[kind - 3] = std::sin(half);
            Multiply(local, axis, local);
        }
        BvhPose& pose = poses[i];
        if (joint.parent < 0) {
            for (int k = 0; k < 3; ++k) pose.position[k] = translation[k];
            for (int k = 0; k < 4; ++k) pose.rotation[k] = local[k];
            continue;
        }
        const BvhPose& parent = poses[static_cast<size_t>(joint.parent)];
        double moved[3];
        Rotate(parent.rotation, translation, moved);
        for (int k = 0; k < 3; ++k) pose.position[k] = parent.position[k] + moved[k];
        Multiply(parent.rotation, local, pose.rotation);
        const double norm =
            std::sqrt(pose.rotation[0] * pose.rotation[0] + pose.rotation[1] * pose.rotation[1] +
                      pose.rotation[2] * pose.rotation[2] + pose.rotation[3] * pose.rotation[3]);
        for (double& q : pose.rotation) q /= norm;
    }
    return poses;
}

}  // namespace mirav::sim
