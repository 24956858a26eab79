// Shared pieces of the force plate tests: description sets, frames and plate geometry helpers.
#ifndef MIRAV_TESTS_CLIENT_FORCE_PLATE_TEST_SUPPORT_H
#define MIRAV_TESTS_CLIENT_FORCE_PLATE_TEST_SUPPORT_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "ForcePlateSim.h"
#include "mirav/MiravTypes.h"

namespace forceplatetest {

// A description set pointing at the given plate records (which must outlive it).
inline std::unique_ptr<sDataDescriptions> DescriptionsOf(
    std::vector<sForcePlateDescription>& plates) {
    auto set = std::make_unique<sDataDescriptions>();
    std::memset(set.get(), 0, sizeof(*set));
    for (auto& plate : plates) {
        sDataDescription& entry = set->descriptions[set->descriptionCount++];
        entry.type = Descriptor_ForcePlate;
        entry.Data.ForcePlateDescription = &plate;
    }
    return set;
}

inline void SetChannels(sFrameOfMocapData& frame, const std::vector<float>& channels) {
    frame.analogDataCount = static_cast<int32_t>(channels.size());
    std::memset(frame.analogData, 0, sizeof(frame.analogData));
    if (channels.empty()) return;
    std::memcpy(frame.analogData, channels.data(),
                sizeof(float) * std::min<size_t>(channels.size(), MAX_ANALOG_CHANNELS));
}

inline std::unique_ptr<sFrameOfMocapData> FrameWith(int frameNumber,
                                                    const std::vector<float>& channels) {
    auto frame = std::make_unique<sFrameOfMocapData>();
    frame->frameNumber = frameNumber;
    SetChannels(*frame, channels);
    return frame;
}

struct Vec {
    double x, y, z;
};

// Orientation of the plate: row-major rotation about z by yaw, then tilted about x by tilt.
inline void RotationMatrix(double yaw, double tilt, float* r) {
    const double cz = std::cos(yaw), sz = std::sin(yaw);
    const double cx = std::cos(tilt), sx = std::sin(tilt);
    // Rx(tilt) * Rz(yaw)
    const double m[9] = {cz, -sz, 0, cx * sz, cx * cz, -sx, sx * sz, sx * cz, cx};
    for (int i = 0; i < 9; ++i) r[i] = static_cast<float>(m[i]);
}

inline Vec Rotate(const float* r, const Vec& v) {
    return {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[3] * v.x + r[4] * v.y + r[5] * v.z,
            r[6] * v.x + r[7] * v.y + r[8] * v.z};
}

}  // namespace forceplatetest

#endif
