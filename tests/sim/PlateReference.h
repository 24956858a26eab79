// Forces and centres of pressure computed directly from a C3D file's calibrated channels and
// plate parameters, in double precision: the reference the streamed plates are checked against.
#ifndef MIRAV_TESTS_SIM_PLATE_REFERENCE_H
#define MIRAV_TESTS_SIM_PLATE_REFERENCE_H

#include <cmath>

#include "C3dReader.h"
#include "RecordingPlates.h"

namespace mirav::sim {

struct Reference {
    double force[3];  // lab axes
    double cop[3];    // lab coordinates
};

// The file's plate definition evaluated in double precision: zero level from FORCE_PLATFORM:ZERO,
// the full calibration matrix (type 4) or the eight-sensor sums (type 3), moments moved to the
// surface, then the plate axes and centre from CORNERS.
inline Reference ReferencePlate(const C3dFile& file, const C3dForcePlatform& plate, int frame) {
    const int count = plate.type == 3 ? 8 : 6;
    double v[8] = {};
    for (int i = 0; i < count; ++i) {
        double zero = 0;
        if (plate.zeroFirst >= 1 && plate.zeroLast >= plate.zeroFirst) {
            for (int f = plate.zeroFirst - 1; f < plate.zeroLast; ++f) {
                zero += FrameChannelMean(file, f, plate.channels[i]);
            }
            zero /= plate.zeroLast - plate.zeroFirst + 1;
        }
        v[i] = FrameChannelMean(file, frame, plate.channels[i]) - zero;
    }
    double f[3], m[3];  // plate axes, moments about the surface centre (N mm)
    if (plate.type == 3) {
        const double a = plate.origin[0], b = plate.origin[1], az0 = -std::fabs(plate.origin[2]);
        f[0] = v[0] + v[1];
        f[1] = v[2] + v[3];
        f[2] = v[4] + v[5] + v[6] + v[7];
        m[0] = b * (v[4] + v[5] - v[6] - v[7]) + f[1] * az0;
        m[1] = a * (-v[4] + v[5] + v[6] - v[7]) - f[0] * az0;
    } else {
        double w[6] = {};
        for (int r = 0; r < 6; ++r) {
            for (int c = 0; c < 6; ++c) w[r] += plate.calibration[r * 6 + c] * v[c];
        }
        f[0] = w[0], f[1] = w[1], f[2] = w[2];
        // Moment about the surface centre: M + (transducer - centre) x F, origin = centre -
        // transducer.
        const double* o = plate.origin;
        m[0] = w[3] - (o[1] * f[2] - o[2] * f[1]);
        m[1] = w[4] - (o[2] * f[0] - o[0] * f[2]);
    }
    const double local[3] = {-m[1] / f[2], m[0] / f[2], 0};
    double axes[3][3], centre[3];
    PlateFrameFromCorners(plate.corners, axes, centre);
    Reference out;
    for (int r = 0; r < 3; ++r) {
        out.force[r] = axes[r][0] * f[0] + axes[r][1] * f[1] + axes[r][2] * f[2];
        out.cop[r] = centre[r] + axes[r][0] * local[0] + axes[r][1] * local[1];
    }
    return out;
}

}  // namespace mirav::sim

#endif
