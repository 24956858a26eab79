// Conversion of C3D force platforms into client plate descriptions and streamed channels.
#include "RecordingPlates.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace mirav::sim {

namespace {

constexpr int kSixChannels = 6;
constexpr int kEightChannels = 8;
// The client multiplies six-channel moments by this to get force x length.
constexpr double kClientMomentScale = 1000.0;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Millimetres per length unit of the file's points (and plate parameters).
double MillimetresPerUnit(const std::string& units) {
    const std::string u = Lower(units);
    if (u == "m") return 1000.0;
    if (u == "cm") return 10.0;
    return 1.0;
}

// Millimetres in the length part of a moment unit: "Nm" and "N.m" are metres, anything else
// ("Nmm", or a voltage label on an uncalibrated channel) is taken as millimetres.
double MomentUnitMillimetres(const std::string& units) {
    std::string u = Lower(units);
    u.erase(
        std::remove_if(u.begin(), u.end(), [](char c) { return c == '.' || c == '*' || c == ' '; }),
        u.end());
    return u == "nm" ? 1000.0 : 1.0;
}

void Normalize(double* v) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (n > 0) {
        for (int k = 0; k < 3; ++k) v[k] /= n;
    }
}

std::vector<double> ZeroLevel(const C3dFile& file, const C3dForcePlatform& plate,
                              const std::vector<int>& channels) {
    std::vector<double> zero(channels.size(), 0.0);
    const int first = plate.zeroFirst;
    const int last = std::min(plate.zeroLast, file.frameCount);
    if (first < 1 || last < first) return zero;  // 0, 0 (or nonsense): no zero level
    for (size_t c = 0; c < channels.size(); ++c) {
        double sum = 0;
        for (int f = first - 1; f < last; ++f) sum += FrameChannelMean(file, f, channels[c]);
        zero[c] = sum / (last - first + 1);
    }
    return zero;
}

void SetName(char* target, const std::string& text) {
    std::snprintf(target, MAX_NAMELENGTH, "%s", text.c_str());
}

sForcePlateDescription Describe(const C3dFile& file, const C3dForcePlatform& plate) {
    sForcePlateDescription d;
    std::memset(&d, 0, sizeof d);
    const bool eight = plate.type == 3;
    const int count = eight ? kEightChannels : kSixChannels;
    d.plateKind = eight ? 3 : 4;
    d.channelScale = -1;
    for (int i = 0; i < count; ++i) d.calibration[i][i] = 1.0f;

    double axes[3][3], centre[3];
    PlateFrameFromCorners(plate.corners, axes, centre);
    for (int r = 0; r < 3; ++r) {
        d.origin[r] = static_cast<float>(centre[r]);
        for (int c = 0; c < 3; ++c) d.orientation[r * 3 + c] = static_cast<float>(axes[r][c]);
    }

    double g[3] = {plate.origin[0], plate.origin[1], plate.origin[2]};
    if (g[2] > 0) {
        if (eight) {
            g[2] = -g[2];
        } else {
            for (double& v : g) v = -v;
        }
    }
    for (int k = 0; k < 3; ++k) d.geometry[k] = static_cast<float>(g[k]);

    d.channelCount = count;
    for (int i = 0; i < count; ++i)
        SetName(d.channelNames[i], file.analogLabels[plate.channels[i]]);
    return d;
}

}  // namespace

void PlateFrameFromCorners(const double corners[4][3], double axes[3][3], double centre[3]) {
    double x[3], y[3], z[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = (corners[0][k] - corners[1][k]) + (corners[3][k] - corners[2][k]);
        y[k] = (corners[0][k] - corners[3][k]) + (corners[1][k] - corners[2][k]);
        centre[k] = (corners[0][k] + corners[1][k] + corners[2][k] + corners[3][k]) / 4.0;
    }
    Normalize(x);
    const double along = x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
    for (int k = 0; k < 3; ++k) y[k] -= along * x[k];
    Normalize(y);
    z[0] = x[1] * y[2] - x[2] * y[1];
    z[1] = x[2] * y[0] - x[0] * y[2];
    z[2] = x[0] * y[1] - x[1] * y[0];
    const double lengths =
        (x[0] * x[0] + x[1] * x[1] + x[2] * x[2]) * (y[0] * y[0] + y[1] * y[1] + y[2] * y[2]);
    if (!(lengths > 0.5)) {
        // No usable corners: the plate lies in the lab axes.
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) axes[r][c] = r == c ? 1.0 : 0.0;
        }
        return;
    }
    for (int r = 0; r < 3; ++r) {
        axes[r][0] = x[r];
        axes[r][1] = y[r];
        axes[r][2] = z[r];
    }
}

double FrameChannelMean(const C3dFile& file, int frame, int channel) {
    if (file.analogSamplesPerFrame <= 0) return 0;
    double sum = 0;
    for (int s = 0; s < file.analogSamplesPerFrame; ++s) sum += file.Analog(frame, s, channel);
    return sum / file.analogSamplesPerFrame;
}

std::vector<PlatePlan> PlanC3dPlates(const C3dFile& file) {
    std::vector<PlatePlan> plans;
    std::set<int> taken;
    int channelTotal = 0;
    const double lengthMm = MillimetresPerUnit(file.pointUnits);
    for (const C3dForcePlatform& plate : file.platforms) {
        if (plate.type != 2 && plate.type != 3 && plate.type != 4) continue;
        const int count = plate.type == 3 ? kEightChannels : kSixChannels;
        if (static_cast<int>(plate.channels.size()) < count) continue;
        if (plans.size() == MAX_FORCEPLATES || channelTotal + count > MAX_ANALOG_CHANNELS) break;
        bool usable = true;
        for (int i = 0; i < count; ++i) {
            const int c = plate.channels[i];
            usable = usable && c >= 0 && c < file.analogChannelCount && !taken.count(c);
        }
        if (plate.type == 4 && plate.calibrationRows < kSixChannels) usable = false;
        if (!usable) continue;

        PlatePlan plan;
        plan.type = plate.type;
        plan.sourceChannels.assign(plate.channels.begin(), plate.channels.begin() + count);
        for (int c : plan.sourceChannels) taken.insert(c);
        plan.zeroLevel = ZeroLevel(file, plate, plan.sourceChannels);
        if (plate.type == 4) {
            const int rows = plate.calibrationRows;
            plan.calibration.resize(kSixChannels * kSixChannels);
            for (int r = 0; r < kSixChannels; ++r) {
                for (int c = 0; c < kSixChannels; ++c) {
                    plan.calibration[r * kSixChannels + c] = plate.calibration[r * rows + c];
                }
            }
        }
        if (plate.type != 3) {
            // File moments -> N x (file length unit), then the client's thousandths.
            const double momentMm = MomentUnitMillimetres(file.analogUnits[plate.channels[3]]);
            plan.momentFactor = momentMm / lengthMm / kClientMomentScale;
        }
        plan.description = Describe(file, plate);
        channelTotal += count;
        plans.push_back(std::move(plan));
    }
    return plans;
}

void AppendPlateFrameChannels(const C3dFile& file, const PlatePlan& plan, int frame,
                              std::vector<float>& channels) {
    const size_t count = plan.sourceChannels.size();
    double v[kEightChannels] = {};
    for (size_t i = 0; i < count; ++i) {
        v[i] = FrameChannelMean(file, frame, plan.sourceChannels[i]) - plan.zeroLevel[i];
    }
    if (plan.type == 4) {
        double w[kSixChannels] = {};
        for (int r = 0; r < kSixChannels; ++r) {
            for (int c = 0; c < kSixChannels; ++c)
                w[r] += plan.calibration[r * kSixChannels + c] * v[c];
        }
        std::copy(w, w + kSixChannels, v);
    }
    if (plan.type != 3) {
        for (int i = 3; i < kSixChannels; ++i) v[i] *= plan.momentFactor;
    }
    for (size_t i = 0; i < count; ++i) channels.push_back(static_cast<float>(v[i]));
}

}  // namespace mirav::sim
