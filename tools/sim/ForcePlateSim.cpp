// Simulated force plates: the load on a plate is shared among its sensors as a rigid top on
// identical sensors shares it, and each sensor reading becomes a raw amplifier value.
#include "ForcePlateSim.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace mirav::sim {

namespace {

constexpr int kEightChannels = 8;
constexpr int kSixChannels = 6;
constexpr double kSixAxisMomentUnit = 1000.0;
constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x, y, z;
};

Vec Cross(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec Add(const Vec& a, const Vec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

void SetName(char* target, const std::string& text) {
    std::snprintf(target, MAX_NAMELENGTH, "%s", text.c_str());
}

// Force and moment of the load about the plate's surface reference point.
void LoadAtReference(const PlateLoad& load, Vec& force, Vec& moment) {
    force = {load.force[0], load.force[1], load.force[2]};
    const Vec point{load.point[0], load.point[1], 0.0};
    moment = Add(Cross(point, force), Vec{0.0, 0.0, load.freeMoment});
}

// Four three-axis sensors at (+-gx, +-gy), gz below the surface; a rigid top on identical
// sensors: vertical shares follow the tilt, horizontal shares follow the twist.
void EightChannelReadings(const PlateLoad& load, const float* g, double* w) {
    Vec force, moment;
    LoadAtReference(load, force, moment);
    const double gx = g[0], gy = g[1], gz = g[2];
    // Moments about the centre of the sensor plane, gz below the reference point.
    const Vec m = Add(moment, Cross(Vec{0.0, 0.0, gz}, force));

    // Sensors 1..4 at (+,+), (-,+), (-,-), (+,-).
    const double sx[4] = {gx, -gx, -gx, gx};
    const double sy[4] = {gy, gy, -gy, -gy};
    // Sensors on a line cannot take the moment about that line.
    const double tiltX = gy != 0.0 ? m.x / (4.0 * gy * gy) : 0.0;
    const double tiltY = gx != 0.0 ? m.y / (4.0 * gx * gx) : 0.0;
    const double spread = gx * gx + gy * gy;
    const double twist = spread != 0.0 ? m.z / (4.0 * spread) : 0.0;
    double fz[4], fx[4], fy[4];
    for (int j = 0; j < 4; ++j) {
        fz[j] = force.z / 4.0 + tiltX * sy[j] - tiltY * sx[j];
        fx[j] = force.x / 4.0 - twist * sy[j];
        fy[j] = force.y / 4.0 + twist * sx[j];
    }
    w[0] = fx[0] + fx[1];  // pair at y = +gy
    w[1] = fx[2] + fx[3];  // pair at y = -gy
    w[2] = fy[0] + fy[3];  // pair at x = +gx
    w[3] = fy[1] + fy[2];  // pair at x = -gx
    for (int j = 0; j < 4; ++j) w[4 + j] = fz[j];
}

// One six-axis transducer centred at -g from the reference point.
void SixChannelReadings(const PlateLoad& load, const float* g, double* w) {
    Vec force, moment;
    LoadAtReference(load, force, moment);
    const Vec m = Add(moment, Cross(Vec{g[0], g[1], g[2]}, force));
    w[0] = force.x;
    w[1] = force.y;
    w[2] = force.z;
    w[3] = m.x / kSixAxisMomentUnit;
    w[4] = m.y / kSixAxisMomentUnit;
    w[5] = m.z / kSixAxisMomentUnit;
}

const char* const kEightChannelNames[kEightChannels] = {"Fx12", "Fx34", "Fy14", "Fy23",
                                                        "Fz1",  "Fz2",  "Fz3",  "Fz4"};
const char* const kSixChannelNames[kSixChannels] = {"Fx", "Fy", "Fz", "Mx", "My", "Mz"};

}  // namespace

sForcePlateDescription DescribePlate(const PlateSetup& setup) {
    sForcePlateDescription plate;
    std::memset(&plate, 0, sizeof(plate));
    plate.channelScale = setup.channelScale;
    std::memcpy(plate.origin, setup.origin, sizeof(plate.origin));
    std::memcpy(plate.geometry, setup.geometry, sizeof(plate.geometry));
    std::memcpy(plate.orientation, setup.orientation, sizeof(plate.orientation));
    for (int i = 0; i < 8; ++i) plate.calibration[i][i] = setup.calibration[i];
    plate.plateKind = setup.plateKind;

    const char* const* names = nullptr;
    int count = 0;
    if (setup.plateKind == 3) {
        names = kEightChannelNames;
        count = kEightChannels;
    } else if (setup.plateKind == 4) {
        names = kSixChannelNames;
        count = kSixChannels;
    }
    plate.channelCount = count;
    for (int i = 0; i < count; ++i) {
        SetName(plate.channelNames[i], setup.name + " " + names[i]);
    }
    return plate;
}

sForcePlateDescription MakeAnalogDeviceDescription(const std::vector<std::string>& channelNames) {
    sForcePlateDescription device;
    std::memset(&device, 0, sizeof(device));
    device.plateKind = 0;
    int count = 0;
    for (const std::string& name : channelNames) {
        if (count == MAX_FORCEPLATE_CHANNELS) break;
        SetName(device.channelNames[count++], name);
    }
    device.channelCount = count;
    return device;
}

float UnloadedChannelOffset(int channel) {
    static const float kOffsets[kEightChannels] = {0.012f, -0.008f, 0.005f, -0.011f,
                                                   0.021f, -0.017f, 0.009f, 0.014f};
    return channel >= 0 && channel < kEightChannels ? kOffsets[channel] : 0.0f;
}

int AppendPlateChannels(const sForcePlateDescription& plate, const PlateLoad* load,
                        std::vector<float>& channels) {
    double w[kEightChannels] = {};
    int count = 0;
    if (plate.plateKind == 3) {
        count = kEightChannels;
        if (load != nullptr) EightChannelReadings(*load, plate.geometry, w);
    } else if (plate.plateKind == 4) {
        count = kSixChannels;
        if (load != nullptr) SixChannelReadings(*load, plate.geometry, w);
    }
    // Scale of INT32_MIN: negate in 64 bits.
    const double gain = -static_cast<double>(static_cast<int64_t>(plate.channelScale));
    for (int i = 0; i < count; ++i) {
        const double perUnit = gain * plate.calibration[i][i];
        const double raw = perUnit != 0.0 ? w[i] / perUnit : 0.0;
        channels.push_back(static_cast<float>(UnloadedChannelOffset(i) + raw));
    }
    return count;
}

void AppendPlatesChannels(const std::vector<sForcePlateDescription>& plates,
                          const std::vector<PlateLoad>& loads, std::vector<float>& channels) {
    for (size_t i = 0; i < plates.size(); ++i) {
        AppendPlateChannels(plates[i], i < loads.size() ? &loads[i] : nullptr, channels);
    }
}

std::vector<sForcePlateDescription> DemoForcePlates() {
    PlateSetup first;
    first.plateKind = 3;
    first.channelScale = -2;
    first.origin[0] = 0.0f;
    first.origin[1] = 0.0f;
    first.geometry[0] = 0.2f;
    first.geometry[1] = 0.3f;
    first.geometry[2] = 0.04f;
    const float eightCalibration[8] = {250, 250, 250, 250, 500, 500, 500, 500};
    std::memcpy(first.calibration, eightCalibration, sizeof(eightCalibration));
    first.name = "Plate 1";

    // The second plate lies beyond the first, turned a quarter turn about the vertical.
    PlateSetup second;
    second.plateKind = 4;
    second.channelScale = -1;
    second.origin[0] = 0.0f;
    second.origin[1] = 0.7f;
    second.geometry[0] = 0.0f;
    second.geometry[1] = 0.0f;
    second.geometry[2] = 0.05f;
    const float turned[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    std::memcpy(second.orientation, turned, sizeof(turned));
    const float sixCalibration[8] = {200, 200, 400, 0.1f, 0.1f, 0.05f, 0, 0};
    std::memcpy(second.calibration, sixCalibration, sizeof(sixCalibration));
    second.name = "Plate 2";

    return {DescribePlate(first), DescribePlate(second)};
}

std::vector<PlateLoad> DemoStepLoads(const std::vector<sForcePlateDescription>& plates,
                                     int frameIndex) {
    constexpr int kStanceFrames = 60;
    constexpr int kSwingFrames = 20;
    constexpr double kPeakForce = 750.0;
    std::vector<PlateLoad> loads(plates.size());
    if (frameIndex <= 0 || plates.empty()) return loads;

    // One stance per plate, one plate after the other, then the walk starts again.
    const int cycle = kStanceFrames + kSwingFrames;
    const int step = (frameIndex - 1) / cycle;
    const int phaseFrame = (frameIndex - 1) % cycle;
    if (phaseFrame >= kStanceFrames) return loads;
    const size_t plate = static_cast<size_t>(step) % plates.size();
    if (plates[plate].plateKind != 3 && plates[plate].plateKind != 4) return loads;

    // The walk goes along the room's y axis; in plate coordinates that is row 1 of the
    // orientation (its transpose maps room directions into the plate).
    const float* r = plates[plate].orientation;
    double ax = r[3], ay = r[4];
    const double norm = std::sqrt(ax * ax + ay * ay);
    if (norm > 0.0) {
        ax /= norm;
        ay /= norm;
    } else {
        ax = 0.0;
        ay = 1.0;
    }

    const double phase = (phaseFrame + 0.5) / kStanceFrames;  // 0..1 over the stance
    const double along = -0.2 + 0.4 * phase;                  // heel to toe
    const double across = 0.02 * std::sin(2.0 * kPi * phase);
    const double vertical = kPeakForce * std::sin(kPi * phase);
    const double braking = 0.15 * vertical * std::cos(kPi * phase);  // then propulsion
    const double sideways = 0.03 * vertical;
    PlateLoad& load = loads[plate];
    load.force[0] = braking * ax + sideways * ay;
    load.force[1] = braking * ay - sideways * ax;
    load.force[2] = vertical;
    load.point[0] = along * ax + across * ay;
    load.point[1] = along * ay - across * ax;
    load.freeMoment = 2.0 * std::sin(2.0 * kPi * phase);
    return loads;
}

}  // namespace mirav::sim
