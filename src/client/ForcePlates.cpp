// Force plate preparation and per-frame computation. Every arithmetic step is a separate float
// operation so the results do not depend on the compiler's choice of precision or contraction.
#include "client/ForcePlates.h"

#include <cstdint>
#include <cstring>

// No fused multiply-add: the results must come out of separately rounded float operations.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace mirav {

namespace {

constexpr uint32_t kMaxDescriptions = MAX_MODELS;
constexpr float kVerticalForceEpsilon = 0.000001f;
// Six-channel plates report their moments in thousandths.
constexpr float kSixChannelMomentScale = 1000.0f;

struct Vec3 {
    float x, y, z;
};

// Row i of the row-major matrix r times v, summed left to right.
Vec3 Rotate(const float* r, const Vec3& v) {
    Vec3 out;
    out.x = r[0] * v.x + r[1] * v.y + r[2] * v.z;
    out.y = r[3] * v.x + r[4] * v.y + r[5] * v.z;
    out.z = r[6] * v.x + r[7] * v.y + r[8] * v.z;
    return out;
}

// Forces and moments about the plate's reference point from the calibrated channels w.
void EightChannelLoads(const float* w, const float* g, Vec3& f, Vec3& m) {
    f.x = w[0] + w[1];
    f.y = w[2] + w[3];
    f.z = w[4] + w[5] + w[6] + w[7];
    m.x = (w[4] + w[5] - w[6] - w[7]) * g[1] + f.y * g[2];
    m.y = (w[5] + w[6] - w[4] - w[7]) * g[0] - f.x * g[2];
    m.z = (w[2] - w[3]) * g[0] + (w[1] - w[0]) * g[1];
}

void SixChannelLoads(const float* w, const float* g, Vec3& f, Vec3& m) {
    f.x = w[0];
    f.y = w[1];
    f.z = w[2];
    const float m3 = w[3] * kSixChannelMomentScale;
    const float m4 = w[4] * kSixChannelMomentScale;
    const float m5 = w[5] * kSixChannelMomentScale;
    m.x = f.y * g[2] - f.z * g[1] + m3;
    m.y = f.z * g[0] - f.x * g[2] + m4;
    m.z = f.x * g[1] - f.y * g[0] + m5;
}

}  // namespace

int PlateChannelCount(int32_t plateKind) {
    if (plateKind == kPlateKindEightChannel) return kEightChannelCount;
    if (plateKind == kPlateKindSixChannel) return kSixChannelCount;
    return 0;
}

sForcePlateData ComputePlate(const sForcePlateDescription& plate, const float* samples,
                             const float* baseline, int baselineCount) {
    const int count = PlateChannelCount(plate.plateKind);
    // Negated in 64 bits: a scale of INT32_MIN has no 32-bit negation.
    const float scale = static_cast<float>(-static_cast<int64_t>(plate.channelScale));

    float w[kEightChannelCount] = {};
    for (int i = 0; i < count; ++i) {
        const float zero = i < baselineCount ? baseline[i] : 0.0f;
        float v = samples[i] - zero;
        v = v * scale;
        w[i] = v * plate.calibration[i][i];
    }

    Vec3 f{0, 0, 0};
    Vec3 m{0, 0, 0};
    if (count == kEightChannelCount) {
        EightChannelLoads(w, plate.geometry, f, m);
    } else {
        SixChannelLoads(w, plate.geometry, f, m);
    }

    // Centre of pressure in the plate's own plane; undefined without a vertical force.
    float cx = 0.0f;
    float cy = 0.0f;
    if (!(f.z >= -kVerticalForceEpsilon && f.z <= kVerticalForceEpsilon)) {
        cx = -m.y / f.z;
        cy = m.x / f.z;
    }

    // Free moment: the moment left after moving the force to the centre of pressure.
    const float dx = -cx;
    const float dy = -cy;
    Vec3 t;
    t.x = m.x - (f.y * 0.0f - f.z * dy);
    t.y = m.y - (f.z * dx - f.x * 0.0f);
    t.z = m.z - (f.x * dy - f.y * dx);

    const float* r = plate.orientation;
    const Vec3 fr = Rotate(r, f);
    const Vec3 cr = Rotate(r, Vec3{cx, cy, 0.0f});
    const Vec3 tr = Rotate(r, t);

    sForcePlateData out;
    out.fx = fr.x;
    out.fy = fr.y;
    out.fz = fr.z;
    out.copX = cr.x + plate.origin[0];
    out.copY = cr.y + plate.origin[1];
    out.copZ = cr.z + plate.origin[2];
    out.tz = tr.z;
    return out;
}

ForcePlates& ForcePlates::Instance() {
    static ForcePlates instance;
    return instance;
}

int ForcePlates::Prepare(const sDataDescriptions* descriptions) {
    prepared_.exchange(false, std::memory_order_acq_rel);
    if (descriptions == nullptr ||
        static_cast<uint32_t>(descriptions->descriptionCount) > kMaxDescriptions) {
        return 1;
    }

    auto list = std::make_shared<PlateList>();
    for (int i = 0; i < descriptions->descriptionCount; ++i) {
        const sDataDescription& entry = descriptions->descriptions[i];
        // An entry without its record carries nothing to compute.
        if (entry.type == Descriptor_ForcePlate && entry.Data.ForcePlateDescription != nullptr) {
            list->push_back(*entry.Data.ForcePlateDescription);
        }
    }

    std::shared_ptr<const PlateList> old;
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        old = std::move(plates_);
        plates_ = std::move(list);
    }
    prepared_.exchange(true, std::memory_order_acq_rel);
    return 0;  // the old list is released here, or by the last Compute still using it
}

std::shared_ptr<const ForcePlates::PlateList> ForcePlates::Snapshot() const {
    std::lock_guard<std::mutex> lock(listMutex_);
    return plates_;
}

size_t ForcePlates::PlateCount() const {
    const auto plates = Snapshot();
    return plates ? plates->size() : 0;
}

int ForcePlates::CaptureBaselineOnce(const float* samples, int count) {
    if (!baselineCaptured_.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(baselineMutex_);
        if (!baselineCaptured_.load(std::memory_order_relaxed)) {
            std::memcpy(baseline_, samples, sizeof(float) * count);
            baselineCount_ = count;
            baselineCaptured_.store(true, std::memory_order_release);
        }
    }
    return baselineCount_;
}

int ForcePlates::Compute(sFrameOfMocapData* frame, sForcePlates* out) {
    if (frame == nullptr || out == nullptr || !prepared_.load(std::memory_order_acquire)) {
        return 1;
    }
    const auto plates = Snapshot();
    if (!plates || plates->empty()) return 1;

    const int n = frame->analogDataCount;
    if (n < 1 || n > MAX_ANALOG_CHANNELS) return 1;

    std::memset(out, 0, sizeof(*out));
    int cursor = 0;
    for (const sForcePlateDescription& plate : *plates) {
        const int need = PlateChannelCount(plate.plateKind);
        if (need == 0) continue;
        if (cursor + need > n || out->forcePlateCount >= MAX_FORCEPLATES) break;

        float samples[kEightChannelCount];
        std::memcpy(samples, &frame->analogData[cursor], sizeof(float) * need);
        const int baselineCount = CaptureBaselineOnce(samples, need);

        out->forcePlates[out->forcePlateCount] =
            ComputePlate(plate, samples, baseline_, baselineCount);
        ++out->forcePlateCount;
        frame->analogDataCount -= need;
        cursor += need;
    }

    // The channels no plate consumed move to the front.
    for (int i = 0; i < frame->analogDataCount && cursor + i < n; ++i) {
        frame->analogData[i] = frame->analogData[cursor + i];
    }
    out->frameNumber = frame->frameNumber;
    return 0;
}

}  // namespace mirav
