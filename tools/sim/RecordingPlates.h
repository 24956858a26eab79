// Force platforms of a C3D file as the client's plate descriptions, and the per-frame plate
// channels that make the client's computation give the file's forces and centres of pressure.
//
// Mapping (the file's plate definition -> client description):
// - orientation: the plate's axes in the lab from CORNERS (x along corner 2 -> 1, y along corner
//   4 -> 1, made orthonormal, z = x cross y), so results come out in lab coordinates;
// - origin: the centre of the four corners (centre of the working surface in the lab);
// - geometry: ORIGIN (types 2 and 4: transducer origin -> surface centre; type 3: the sensor
//   offsets a, b, az0). A type 2/4 ORIGIN stored with positive z is the same vector written the
//   other way round and is negated; a type 3 az0 stored positive is negated (the surface lies
//   above the sensors);
// - channelScale -1 and a unit calibration diagonal: the channels are streamed in N (and N m for
//   six-channel plate moments, as the client multiplies those by 1000 into N mm), already
//   calibrated. For type 4 the full CAL_MATRIX (off-diagonal terms included) is applied before
//   streaming, which the client's diagonal-only calibration could not do exactly;
// - zero level: the mean over the FORCE_PLATFORM:ZERO frames is subtracted before streaming, so
//   an unloaded plate streams values near 0 and the client's one-time baseline (taken from the
//   first frame it computes) stays near 0 too;
// - one value per channel and frame: the mean of the analog samples of that frame.
#ifndef MIRAV_SIM_RECORDING_PLATES_H
#define MIRAV_SIM_RECORDING_PLATES_H

#include <string>
#include <vector>

#include "C3dReader.h"
#include "mirav/MiravTypes.h"

namespace mirav::sim {

struct PlatePlan {
    int type = 0;                     // C3D type: 2, 3 or 4
    std::vector<int> sourceChannels;  // file channel of each streamed channel
    std::vector<double> zeroLevel;    // subtracted from each source channel
    std::vector<double> calibration;  // 6 x 6 row-major for type 4, else empty
    double momentFactor = 1;          // six-channel moments: file moment units -> client units
    sForcePlateDescription description{};
};

// Plates of type 2, 3 and 4 that fit in the frame (at most 8, channels within 32). Plates of
// other types, or with missing channels, are left out; their channels stay plain analog inputs.
std::vector<PlatePlan> PlanC3dPlates(const C3dFile& file);

// The mean of the analog samples of one frame for a file channel.
double FrameChannelMean(const C3dFile& file, int frame, int channel);

// Appends the streamed channels of one plate for one frame.
void AppendPlateFrameChannels(const C3dFile& file, const PlatePlan& plan, int frame,
                              std::vector<float>& channels);

// The plate's axes in the lab (columns x, y, z) and the centre of its corners.
void PlateFrameFromCorners(const double corners[4][3], double axes[3][3], double centre[3]);

}  // namespace mirav::sim

#endif
