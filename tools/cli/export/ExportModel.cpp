#include "ExportModel.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace mirav::cli {
namespace {

// Half the length and width of the nominal plate drawn in CORNERS (millimetres): the stream
// describes a plate's axes and centre but not its size.
constexpr double kHalfLengthMm = 300.0;
constexpr double kHalfWidthMm = 200.0;

void CollectDescriptions(const sDataDescriptions* d, ExportSource& source) {
    if (d == nullptr) return;
    int channel = 0;
    for (int i = 0; i < std::min(d->descriptionCount, MAX_MODELS); ++i) {
        const sDataDescription& entry = d->descriptions[i];
        if (entry.Data.Any == nullptr) continue;
        if (entry.type == Descriptor_MarkerSet) {
            const sMarkerSetDescription& set = *entry.Data.MarkerSetDescription;
            std::vector<std::string> names;
            for (int k = 0; k < set.markerCount && set.markerNames != nullptr; ++k) {
                names.push_back(set.markerNames[k] ? FixedText(set.markerNames[k], MAX_NAMELENGTH)
                                                   : std::string());
            }
            source.markerSets.emplace_back(FixedText(set.name, MAX_NAMELENGTH), std::move(names));
        } else if (entry.type == Descriptor_ForcePlate) {
            const sForcePlateDescription& plate = *entry.Data.ForcePlateDescription;
            if (plate.plateKind == 3 || plate.plateKind == 4)
                source.plates.emplace_back(plate, channel);
            channel += std::clamp(plate.channelCount, 0, MAX_FORCEPLATE_CHANNELS);
        }
    }
}

bool IsOccluded(const std::vector<float>& p) {
    return p.size() < 3 || (p[0] == 0.0f && p[1] == 0.0f && p[2] == 0.0f);
}

bool LabeledRepeatSets(const std::vector<FrameCopy>& frames) {
    for (const FrameCopy& f : frames) {
        for (const sMarker& m : f.labeledMarkers) {
            bool found = false;
            for (const FrameCopy::MarkerSet& set : f.markerSets) {
                for (const auto& p : set.markers) {
                    found = found || (p.size() >= 3 && p[0] == m.x && p[1] == m.y && p[2] == m.z);
                }
            }
            if (!found) return false;
        }
    }
    return true;
}

std::string MarkerLabel(const ExportSource& source, const std::string& set, size_t index,
                        bool prefix) {
    std::string name;
    for (const auto& described : source.markerSets) {
        if (described.first == set && index < described.second.size())
            name = described.second[index];
    }
    if (name.empty()) name = set + "_" + std::to_string(index + 1);
    return prefix ? set + ":" + name : name;
}

PointPlan PlanPoints(const ExportSource& source) {
    PointPlan plan;
    std::map<std::string, size_t> setSizes;  // first-seen order kept in order below
    std::vector<std::string> order;
    std::set<int32_t> ids;
    for (const FrameCopy& f : source.frames) {
        for (const FrameCopy::MarkerSet& set : f.markerSets) {
            if (!setSizes.count(set.name)) order.push_back(set.name);
            setSizes[set.name] = std::max(setSizes[set.name], set.markers.size());
        }
        for (const sMarker& m : f.labeledMarkers) ids.insert(m.id);
    }
    const bool prefix = order.size() > 1;
    for (const std::string& set : order) {
        for (size_t k = 0; k < setSizes[set]; ++k) {
            plan.labels.push_back(MarkerLabel(source, set, k, prefix));
            plan.setMarkers.emplace_back(set, k);
        }
    }
    if (!ids.empty() && (order.empty() || !LabeledRepeatSets(source.frames))) {
        for (int32_t id : ids) {
            plan.labels.push_back("Marker" + std::to_string(id));
            plan.labeledIds.push_back(id);
        }
    }
    return plan;
}

C3dSample SetSample(const FrameCopy& f, const std::string& set, size_t index) {
    C3dSample s;
    for (const FrameCopy::MarkerSet& m : f.markerSets) {
        if (m.name != set || index >= m.markers.size() || IsOccluded(m.markers[index])) continue;
        s = C3dSample{m.markers[index][0], m.markers[index][1], m.markers[index][2], true};
    }
    return s;
}

C3dSample LabeledSample(const FrameCopy& f, int32_t id) {
    for (const sMarker& m : f.labeledMarkers) {
        if (m.id == id) return C3dSample{m.x, m.y, m.z, !(m.x == 0 && m.y == 0 && m.z == 0)};
    }
    return {};
}

C3dPlateOut PlateOut(const sForcePlateDescription& d, int firstChannel, double mm) {
    C3dPlateOut out;
    out.type = d.plateKind == 3 ? 3 : 2;
    const int count = d.plateKind == 3 ? 8 : 6;
    for (int i = 0; i < count; ++i) out.channels.push_back(firstChannel + i);
    PlateCorners(d, mm, out.corners);
    for (int k = 0; k < 3; ++k) out.origin[k] = d.geometry[k];
    return out;
}

// Plate channels in physical units, as the client's computation sees them: multiplied by the
// negated channel scale and the calibration diagonal. Six-channel plate moments travel in
// thousandths of N x length unit, which is N m when the unit is mm; the file holds N m.
void ScalePlateChannels(C3dContent& c, const sForcePlateDescription& plate, int first, double mm) {
    const size_t channels = c.analogLabels.size();
    const int count = plate.plateKind == 3 ? 8 : 6;
    if (static_cast<size_t>(first + count) > channels) return;
    const double scale = -static_cast<double>(plate.channelScale);
    for (size_t f = 0; f < c.frameCount; ++f) {
        for (int i = 0; i < count; ++i) {
            float& v = c.analog[f * channels + first + i];
            double value = v * scale * plate.calibration[i][i];
            if (plate.plateKind == 4 && i >= 3) value *= mm;
            v = static_cast<float>(value);
        }
    }
}

std::vector<std::string> AnalogUnits(const ExportSource& source, size_t channels) {
    std::vector<std::string> out(channels);
    for (const auto& [plate, first] : source.plates) {
        const int count = plate.plateKind == 3 ? 8 : 6;
        for (int i = 0; i < count && static_cast<size_t>(first + i) < channels; ++i) {
            out[first + i] = plate.plateKind == 4 && i >= 3 ? "Nm" : "N";
        }
    }
    return out;
}

}  // namespace

void PlateCorners(const sForcePlateDescription& d, double mm, double corners[4][3]) {
    // Columns of the orientation are the plate's x and y axes in the lab; corner 1 lies at
    // +x +y, corner 2 at -x +y, corner 3 at -x -y, corner 4 at +x -y.
    const double a = kHalfLengthMm / mm, b = kHalfWidthMm / mm;
    const double signs[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) {
            corners[c][k] = d.origin[k] + signs[c][0] * a * d.orientation[k * 3] +
                            signs[c][1] * b * d.orientation[k * 3 + 1];
        }
    }
}

std::string GuessUnits(const std::vector<FrameCopy>& frames) {
    std::vector<float> sizes;
    for (const FrameCopy& f : frames) {
        for (const sMarker& m : f.labeledMarkers) {
            if (m.size > 0 && std::isfinite(m.size)) sizes.push_back(m.size);
        }
        if (sizes.size() >= 100) break;
    }
    if (sizes.empty()) return "";
    std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
    const float median = sizes[sizes.size() / 2];
    // Markers are a few millimetres to a few centimetres across.
    if (median >= 0.002f && median <= 0.06f) return "m";
    if (median >= 2.0f && median <= 60.0f) return "mm";
    return "";
}

uint32_t FirstFrameFromTimecode(uint32_t timecode, uint32_t subframe, double frameRate) {
    const int64_t rate = std::llround(frameRate);
    if (timecode == 0 && subframe == 0) return 1;
    if (rate <= 0) return 1;
    // Timecode frames count at 30, 25 or 24 per second (the first that divides the rate), else
    // at the capture rate up to 255, else at 30; the sub-frame counts capture frames within one.
    int64_t timecodeRate = rate <= 255 ? rate : 30;
    for (int64_t candidate : {30, 25, 24}) {
        if (rate % candidate == 0) {
            timecodeRate = candidate;
            break;
        }
    }
    const int64_t seconds = int64_t{(timecode >> 24) & 0xff} * 3600 +
                            int64_t{(timecode >> 16) & 0xff} * 60 + ((timecode >> 8) & 0xff);
    const int64_t frames = timecode & 0xff;
    const int64_t index =
        seconds * rate + (frames * rate + timecodeRate - 1) / timecodeRate + subframe;
    return index < 0 || index >= 0x7fff0000 ? 1 : static_cast<uint32_t>(index + 1);
}

double MillimetresPer(const std::string& units) {
    if (units == "m") return 1000.0;
    if (units == "cm") return 10.0;
    return 1.0;
}

bool LoadExportSource(const RecordingReader& reader, const ExportOptions& options,
                      ExportSource& source, std::string& error) {
    source = ExportSource{};
    source.names = NameIndex::From(reader.Descriptions());
    CollectDescriptions(reader.Descriptions(), source);
    source.frames.reserve(reader.FrameCount());
    for (size_t i = 0; i < reader.FrameCount(); ++i) {
        FrameCopy frame;
        if (reader.Frame(i, frame)) {
            source.frames.push_back(std::move(frame));
        } else {
            ++source.undecodable;
        }
    }
    source.frameRate = options.frameRate > 0 ? options.frameRate : reader.EstimatedRate();
    if (source.frames.empty()) {
        error = "no frame of the recording could be decoded";
        return false;
    }
    source.units = options.units;
    if (source.units.empty()) source.units = GuessUnits(source.frames);
    if (source.units.empty()) source.units = "mm";
    if (!(source.frameRate > 0)) {
        error = "cannot tell the frame rate from the recording; give it with --rate";
        return false;
    }
    return true;
}

C3dContent MakeC3dContent(const ExportSource& source, const ExportOptions& options) {
    C3dContent c;
    c.frameRate = source.frameRate;
    c.pointUnits = source.units;
    c.integerStorage = options.integerStorage;
    c.frameCount = source.frames.size();
    c.firstFrame = FirstFrameFromTimecode(source.frames.front().timecode,
                                          source.frames.front().subframe, source.frameRate);
    const PointPlan plan = PlanPoints(source);
    c.pointLabels = plan.labels;
    // One marker set is one subject, as biomechanics software reads it.
    const auto& sets = source.frames.front().markerSets;
    if (sets.size() == 1) c.subjectName = sets.front().name;
    size_t channels = 0;
    for (const FrameCopy& f : source.frames) channels = std::max(channels, f.analog.size());
    c.analogLabels = source.names.allChannels;
    c.analogLabels.resize(channels);
    for (size_t ch = 0; ch < channels; ++ch) {
        if (c.analogLabels[ch].empty()) c.analogLabels[ch] = "Channel" + std::to_string(ch + 1);
    }
    c.analogUnits = AnalogUnits(source, channels);
    const double mm = MillimetresPer(source.units);
    for (const auto& [plate, first] : source.plates) {
        const int count = plate.plateKind == 3 ? 8 : 6;
        if (static_cast<size_t>(first + count) <= channels)
            c.plates.push_back(PlateOut(plate, first, mm));
    }
    c.points.reserve(c.frameCount * c.pointLabels.size());
    c.analog.reserve(c.frameCount * channels);
    size_t filled = 0;
    for (size_t i = 0; i < source.frames.size(); ++i) {
        const FrameCopy& f = source.frames[i];
        // Frames lost on the way keep their place in time: points missing, analog values held.
        const int64_t gap =
            i == 0 ? 0 : int64_t{f.frameNumber} - source.frames[i - 1].frameNumber - 1;
        for (int64_t g = 0; g < gap && gap <= kMaxFilledGap; ++g) {
            c.points.insert(c.points.end(), c.pointLabels.size(), C3dSample{});
            const std::vector<float> held(c.analog.end() - static_cast<long>(channels),
                                          c.analog.end());
            c.analog.insert(c.analog.end(), held.begin(), held.end());
            ++filled;
        }
        for (const auto& [set, index] : plan.setMarkers)
            c.points.push_back(SetSample(f, set, index));
        for (int32_t id : plan.labeledIds) c.points.push_back(LabeledSample(f, id));
        for (size_t ch = 0; ch < channels; ++ch) {
            c.analog.push_back(ch < f.analog.size() ? f.analog[ch] : 0.0f);
        }
    }
    c.frameCount = source.frames.size() + filled;
    for (const auto& [plate, first] : source.plates) ScalePlateChannels(c, plate, first, mm);
    return c;
}

}  // namespace mirav::cli
