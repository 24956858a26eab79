// Simulated force plates for the substitute server: plate descriptions of both kinds and the raw
// analog channels a plate delivers when a known load stands on it.
//
// Plate models (plate coordinates: x, y in the top surface, z up, origin at the surface reference):
// - kind 3, eight channels: the top rests on four three-axis sensors at (+-Gx, +-Gy), Gz below the
//   surface. Channels: x-force of the sensor pair at y = +Gy and at y = -Gy; y-force of the pair
//   at x = +Gx and at x = -Gx; vertical force of the sensors at (+,+), (-,+), (-,-), (+,-).
// - kind 4, six channels: one six-axis transducer centred at -G below the surface reference,
//   reporting its three forces and its three moments (moments in thousandths).
// Raw value of a channel = its unloaded offset + load / (amplifier gain * calibration), where the
// gain is the negated channelScale.
#ifndef MIRAV_SIM_FORCE_PLATE_SIM_H
#define MIRAV_SIM_FORCE_PLATE_SIM_H

#include <cstdint>
#include <string>
#include <vector>

#include "mirav/MiravTypes.h"

namespace mirav::sim {

// What a plate description is built from.
struct PlateSetup {
    int32_t plateKind = 3;      // 3 eight-channel, 4 six-channel, anything else: analog device
    int32_t channelScale = -1;  // the gain is its negation
    float origin[3] = {0, 0, 0};
    float geometry[3] = {0.2f, 0.3f, 0.04f};
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // row by row
    float calibration[8] = {1, 1, 1, 1, 1, 1, 1, 1};     // diagonal of the calibration matrix
    std::string name = "Plate";                          // channel name prefix
};

// A load on one plate in plate coordinates: the force vector, the point on the top surface where
// it acts (x, y), and a free moment about the vertical axis.
struct PlateLoad {
    double force[3] = {0, 0, 0};
    double point[2] = {0, 0};
    double freeMoment = 0;
};

// Channel names follow the sensor layout above ("<name> Fz1" ...).
sForcePlateDescription DescribePlate(const PlateSetup& setup);

// A description that only names further analog inputs (kind 0, consumes no plate channels).
sForcePlateDescription MakeAnalogDeviceDescription(const std::vector<std::string>& channelNames);

// Zero level of channel i (0..7) of any simulated plate amplifier with nothing on the plate.
float UnloadedChannelOffset(int channel);

// Appends the raw channels of one plate under load (null: unloaded). Appends nothing for kinds
// other than 3 and 4. Returns the number of channels appended.
int AppendPlateChannels(const sForcePlateDescription& plate, const PlateLoad* load,
                        std::vector<float>& channels);

// Appends the channels of every plate in order; plates without a load entry are unloaded.
void AppendPlatesChannels(const std::vector<sForcePlateDescription>& plates,
                          const std::vector<PlateLoad>& loads, std::vector<float>& channels);

// Demo set-up: an eight-channel and a six-channel plate side by side, the second one turned.
std::vector<sForcePlateDescription> DemoForcePlates();

// A walker stepping across the plates one after the other; frame 0 leaves every plate unloaded.
std::vector<PlateLoad> DemoStepLoads(const std::vector<sForcePlateDescription>& plates,
                                     int frameIndex);

}  // namespace mirav::sim

#endif
