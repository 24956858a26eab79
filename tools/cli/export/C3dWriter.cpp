#include "C3dWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mirav::cli {
namespace {

constexpr size_t kBlock = 512;
constexpr uint8_t kKey = 0x50;
constexpr uint8_t kIntel = 84;
constexpr size_t kMaxStringsPerParameter = 255;
constexpr double kIntegerRange = 32000.0;

void PutWord(std::vector<uint8_t>& out, size_t at, uint16_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutFloat(std::vector<uint8_t>& out, size_t at, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(bits >> (8 * i));
}

void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// The parameter section: group and parameter records, each pointing at the next.
class ParameterWriter {
public:
    void Group(int8_t id, const std::string& name, const std::string& description) {
        std::vector<uint8_t> tail;
        tail.push_back(static_cast<uint8_t>(description.size()));
        tail.insert(tail.end(), description.begin(), description.end());
        Record(static_cast<int8_t>(-id), name, tail);
    }
    void Int16(int8_t group, const std::string& name, const std::vector<int>& values,
               std::vector<int> dims = {}) {
        std::vector<uint8_t> tail;
        if (dims.empty() && values.size() != 1) dims = {static_cast<int>(values.size())};
        Head(tail, 2, dims);
        for (int v : values) AppendWord(tail, static_cast<uint16_t>(static_cast<int16_t>(v)));
        tail.push_back(0);
        Record(group, name, tail);
    }
    void Float(int8_t group, const std::string& name, const std::vector<float>& values,
               std::vector<int> dims = {}) {
        std::vector<uint8_t> tail;
        if (dims.empty() && values.size() != 1) dims = {static_cast<int>(values.size())};
        Head(tail, 4, dims);
        for (float v : values) AppendFloat(tail, v);
        tail.push_back(0);
        Record(group, name, tail);
    }
    // Text as a two-dimensional character array (width x count); long lists continue in
    // NAME2, NAME3 ... of at most 255 strings each.
    void Strings(int8_t group, const std::string& name, const std::vector<std::string>& values) {
        size_t width = 1;
        for (const std::string& v : values)
            width = std::max(width, std::min<size_t>(v.size(), 255));
        for (size_t first = 0, part = 1; first < values.size() || part == 1; ++part) {
            const size_t count = std::min(kMaxStringsPerParameter, values.size() - first);
            std::vector<uint8_t> tail;
            Head(tail, -1, {static_cast<int>(width), static_cast<int>(count)});
            for (size_t i = first; i < first + count; ++i) {
                std::string text = values[i].substr(0, width);
                text.resize(width, ' ');
                tail.insert(tail.end(), text.begin(), text.end());
            }
            tail.push_back(0);
            Record(group, part == 1 ? name : name + std::to_string(part), tail);
            first += count;
            if (count == 0) break;
        }
    }
    void Text(int8_t group, const std::string& name, const std::string& value) {
        std::vector<uint8_t> tail;
        Head(tail, -1, {static_cast<int>(std::max<size_t>(value.size(), 1))});
        std::string text = value.empty() ? " " : value;
        tail.insert(tail.end(), text.begin(), text.end());
        tail.push_back(0);
        Record(group, name, tail);
    }
    // The section: 4-byte header, the records (the last pointing nowhere), padded to blocks.
    std::vector<uint8_t> Section() const {
        std::vector<uint8_t> out = {1, kKey, 0, kIntel};
        for (size_t i = 0; i < records_.size(); ++i) {
            std::vector<uint8_t> record = records_[i];
            if (i + 1 == records_.size()) PutWord(record, nextAt_[i], 0);
            out.insert(out.end(), record.begin(), record.end());
        }
        out.resize(((out.size() + kBlock - 1) / kBlock) * kBlock, 0);
        out[2] = static_cast<uint8_t>(out.size() / kBlock);
        return out;
    }

private:
    static void Head(std::vector<uint8_t>& tail, int8_t type, const std::vector<int>& dims) {
        tail.push_back(static_cast<uint8_t>(type));
        tail.push_back(static_cast<uint8_t>(dims.size()));
        for (int d : dims) tail.push_back(static_cast<uint8_t>(d));
    }
    void Record(int8_t id, const std::string& name, const std::vector<uint8_t>& tail) {
        std::vector<uint8_t> record;
        record.push_back(static_cast<uint8_t>(name.size()));
        record.push_back(static_cast<uint8_t>(id));
        record.insert(record.end(), name.begin(), name.end());
        const size_t next = record.size();
        AppendWord(record, static_cast<uint16_t>(tail.size() + 2));
        record.insert(record.end(), tail.begin(), tail.end());
        records_.push_back(std::move(record));
        nextAt_.push_back(next);
    }
    std::vector<std::vector<uint8_t>> records_;
    std::vector<size_t> nextAt_;
};

enum GroupId : int8_t { kPoint = 1, kAnalog = 2, kPlate = 3, kTrial = 4, kSubjects = 5 };

float PointScale(const C3dContent& c) {
    if (!c.integerStorage) return -1.0f;
    float largest = 0;
    for (const C3dSample& s : c.points) {
        if (s.valid) largest = std::max({largest, std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)});
    }
    return largest > 0 ? static_cast<float>(largest / kIntegerRange) : 1.0f;
}

// Per-channel scales: 1 with float storage, else chosen so the largest value fits.
std::vector<float> AnalogScales(const C3dContent& c) {
    const size_t channels = c.analogLabels.size();
    std::vector<float> scales(channels, 1.0f);
    if (!c.integerStorage) return scales;
    for (size_t ch = 0; ch < channels; ++ch) {
        float largest = 0;
        for (size_t f = 0; f < c.frameCount; ++f) {
            const float v = c.analog[f * channels + ch];
            if (std::isfinite(v)) largest = std::max(largest, std::fabs(v));
        }
        scales[ch] = largest > 0 ? static_cast<float>(largest / kIntegerRange) : 1.0f;
    }
    return scales;
}

int16_t Quantize(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int16_t>(std::lround(std::clamp(value, -32767.0, 32767.0)));
}

void AddPointAndAnalogGroups(ParameterWriter& p, const C3dContent& c, float pointScale,
                             const std::vector<float>& analogScales, int dataStart) {
    const size_t frames = c.frameCount;
    p.Group(kPoint, "POINT", "3-D point parameters");
    p.Int16(kPoint, "USED", {static_cast<int>(c.pointLabels.size())});
    if (frames <= 32767) {
        p.Int16(kPoint, "FRAMES", {static_cast<int>(frames)});
    } else {
        p.Float(kPoint, "FRAMES", {static_cast<float>(frames)});
    }
    p.Int16(kPoint, "DATA_START", {dataStart});
    p.Float(kPoint, "SCALE", {pointScale});
    p.Float(kPoint, "RATE", {static_cast<float>(c.frameRate)});
    p.Text(kPoint, "UNITS", c.pointUnits);
    if (!c.pointLabels.empty()) p.Strings(kPoint, "LABELS", c.pointLabels);

    const size_t channels = c.analogLabels.size();
    p.Group(kAnalog, "ANALOG", "Analog data parameters");
    p.Int16(kAnalog, "USED", {static_cast<int>(channels)});
    p.Float(kAnalog, "RATE", {static_cast<float>(c.frameRate)});
    p.Float(kAnalog, "GEN_SCALE", {1.0f});
    if (channels > 0) {
        p.Strings(kAnalog, "LABELS", c.analogLabels);
        std::vector<std::string> units = c.analogUnits;
        units.resize(channels);
        p.Strings(kAnalog, "UNITS", units);
        p.Float(kAnalog, "SCALE", analogScales);
        p.Int16(kAnalog, "OFFSET", std::vector<int>(channels, 0));
    }
}

void AddPlateGroup(ParameterWriter& p, const C3dContent& c) {
    p.Group(kPlate, "FORCE_PLATFORM", "Force platform parameters");
    p.Int16(kPlate, "USED", {static_cast<int>(c.plates.size())});
    if (c.plates.empty()) return;
    std::vector<int> types;
    size_t perPlate = 0;
    for (const C3dPlateOut& plate : c.plates) {
        types.push_back(plate.type);
        perPlate = std::max(perPlate, plate.channels.size());
    }
    std::vector<int> channels;
    std::vector<float> corners, origins;
    for (const C3dPlateOut& plate : c.plates) {
        for (size_t i = 0; i < perPlate; ++i) {
            channels.push_back(i < plate.channels.size() ? plate.channels[i] + 1 : 0);
        }
        for (const auto& corner : plate.corners) {
            for (double v : corner) corners.push_back(static_cast<float>(v));
        }
        for (double v : plate.origin) origins.push_back(static_cast<float>(v));
    }
    const int count = static_cast<int>(c.plates.size());
    p.Int16(kPlate, "TYPE", types);
    // The channels carry calibrated, zeroed values: no zero level to subtract.
    p.Int16(kPlate, "ZERO", {0, 0});
    p.Int16(kPlate, "CHANNEL", channels, {static_cast<int>(perPlate), count});
    p.Float(kPlate, "CORNERS", corners, {3, 4, count});
    p.Float(kPlate, "ORIGIN", origins, {3, count});
}

void AddTrialAndSubjects(ParameterWriter& p, const C3dContent& c) {
    const uint32_t first = c.firstFrame;
    const auto last = static_cast<uint32_t>(c.firstFrame + c.frameCount - 1);
    p.Group(kTrial, "TRIAL", "Trial parameters");
    p.Int16(kTrial, "ACTUAL_START_FIELD",
            {static_cast<int>(first & 0xffff), static_cast<int>(first >> 16)});
    p.Int16(kTrial, "ACTUAL_END_FIELD",
            {static_cast<int>(last & 0xffff), static_cast<int>(last >> 16)});
    p.Float(kTrial, "CAMERA_RATE", {static_cast<float>(c.frameRate)});
    if (c.subjectName.empty()) return;
    p.Group(kSubjects, "SUBJECTS", "Subject parameters");
    p.Int16(kSubjects, "USED", {1});
    p.Strings(kSubjects, "NAMES", {c.subjectName});
}

void AppendFrames(std::vector<uint8_t>& out, const C3dContent& c, float pointScale,
                  const std::vector<float>& analogScales) {
    const size_t points = c.pointLabels.size();
    const size_t channels = c.analogLabels.size();
    for (size_t f = 0; f < c.frameCount; ++f) {
        for (size_t i = 0; i < points; ++i) {
            const C3dSample& s = c.points[f * points + i];
            const float v[4] = {s.valid ? s.x : 0.0f, s.valid ? s.y : 0.0f, s.valid ? s.z : 0.0f,
                                s.valid ? 0.0f : -1.0f};
            for (int k = 0; k < 4; ++k) {
                if (!c.integerStorage) {
                    AppendFloat(out, v[k]);
                } else {
                    // The residual word is -1 (invalid) or 0, not scaled.
                    AppendWord(out, static_cast<uint16_t>(k == 3 ? Quantize(v[k])
                                                                 : Quantize(v[k] / pointScale)));
                }
            }
        }
        for (size_t ch = 0; ch < channels; ++ch) {
            const float value = c.analog[f * channels + ch];
            if (c.integerStorage) {
                AppendWord(out, static_cast<uint16_t>(Quantize(value / analogScales[ch])));
            } else {
                AppendFloat(out, value);
            }
        }
    }
}

}  // namespace

bool WriteC3d(const C3dContent& c, std::vector<uint8_t>& bytes, std::string& error) {
    const size_t points = c.pointLabels.size();
    const size_t channels = c.analogLabels.size();
    if (points > 65535 || channels > 65535) {
        error = "too many points or analog channels for a C3D file";
        return false;
    }
    if (c.points.size() != c.frameCount * points || c.analog.size() != c.frameCount * channels) {
        error = "point or analog data do not match their labels";
        return false;
    }
    if (c.firstFrame < 1 || c.firstFrame + c.frameCount > 0x7fffffffu) {
        error = "frame numbers out of range";
        return false;
    }
    if (!(c.frameRate > 0) || !std::isfinite(c.frameRate)) {
        error = "no frame rate";
        return false;
    }
    const float pointScale = PointScale(c);
    const std::vector<float> analogScales = AnalogScales(c);
    // The section's size does not depend on the data start it names: build it once to learn
    // its size, then with the right value.
    const auto build = [&](int dataStart) {
        ParameterWriter parameters;
        AddPointAndAnalogGroups(parameters, c, pointScale, analogScales, dataStart);
        AddPlateGroup(parameters, c);
        AddTrialAndSubjects(parameters, c);
        return parameters.Section();
    };
    const size_t dataStartBlock = 2 + build(0).size() / kBlock;
    const std::vector<uint8_t> section = build(static_cast<int>(dataStartBlock));
    if (dataStartBlock > 32767) {
        error = "parameter section too large";
        return false;
    }

    bytes.assign(kBlock, 0);
    bytes[0] = 2;
    bytes[1] = kKey;
    PutWord(bytes, 2, static_cast<uint16_t>(points));
    PutWord(bytes, 4, static_cast<uint16_t>(channels));
    // Frame numbers beyond 16 bits live in TRIAL:ACTUAL_START_FIELD / ACTUAL_END_FIELD.
    const size_t last = c.firstFrame + std::max<size_t>(c.frameCount, 1) - 1;
    PutWord(bytes, 6, static_cast<uint16_t>(std::min<size_t>(c.firstFrame, 65535)));
    PutWord(bytes, 8, static_cast<uint16_t>(std::min<size_t>(last, 65535)));
    PutWord(bytes, 10, 10);
    PutFloat(bytes, 12, pointScale);
    PutWord(bytes, 16, static_cast<uint16_t>(dataStartBlock));
    PutWord(bytes, 18, channels > 0 ? 1 : 0);
    PutFloat(bytes, 20, static_cast<float>(c.frameRate));
    bytes.insert(bytes.end(), section.begin(), section.end());
    bytes.resize((dataStartBlock - 1) * kBlock, 0);
    AppendFrames(bytes, c, pointScale, analogScales);
    bytes.resize(((bytes.size() + kBlock - 1) / kBlock) * kBlock, 0);
    return true;
}

}  // namespace mirav::cli
