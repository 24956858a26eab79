// Process-wide force plate state: the plate list taken from the data descriptions and the channel
// baseline, and the per-frame computation that turns raw plate channels into forces, centre of
// pressure and free moment.
#ifndef MIRAV_CLIENT_FORCE_PLATES_H
#define MIRAV_CLIENT_FORCE_PLATES_H

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "mirav/MiravTypes.h"

namespace mirav {

// Plate kinds understood by the computation, and the channels each consumes.
constexpr int32_t kPlateKindEightChannel = 3;
constexpr int32_t kPlateKindSixChannel = 4;
constexpr int kEightChannelCount = 8;
constexpr int kSixChannelCount = 6;

// Channels a plate of this kind consumes from a frame; 0 for kinds the computation ignores.
int PlateChannelCount(int32_t plateKind);

// Computes one plate from its raw channel samples s[0..count-1] against the baseline b (missing
// baseline values, from index baselineCount on, count as zero).
sForcePlateData ComputePlate(const sForcePlateDescription& plate, const float* samples,
                             const float* baseline, int baselineCount);

class ForcePlates {
public:
    // The one instance shared by every client of the process.
    static ForcePlates& Instance();

    ForcePlates() = default;
    ForcePlates(const ForcePlates&) = delete;
    ForcePlates& operator=(const ForcePlates&) = delete;

    // Rebuilds the plate list from the force plate entries of a decoded description set.
    // 0 on success; 1 for a null set or one claiming more than 200 entries (computation stays
    // off until a later call succeeds). Called on an application thread.
    int Prepare(const sDataDescriptions* descriptions);

    // Computes the plates of one decoded frame into out and removes the consumed channels from
    // the frame (the remaining ones move to the front). 0 when out was filled and should be
    // delivered; 1 when nothing was computed (frame untouched). Called on receive threads.
    int Compute(sFrameOfMocapData* frame, sForcePlates* out);

    bool IsPrepared() const { return prepared_.load(std::memory_order_acquire); }
    size_t PlateCount() const;
    bool BaselineCaptured() const { return baselineCaptured_.load(std::memory_order_acquire); }

private:
    using PlateList = std::vector<sForcePlateDescription>;

    std::shared_ptr<const PlateList> Snapshot() const;
    // Returns the baseline, capturing it from samples when none was captured yet.
    int CaptureBaselineOnce(const float* samples, int count);

    // The published list is immutable; Prepare swaps in a new one and Compute works on a
    // snapshot, so neither ever sees a list being rebuilt. The lock only guards the pointer copy.
    mutable std::mutex listMutex_;
    std::shared_ptr<const PlateList> plates_;
    std::atomic<bool> prepared_{false};

    // Written once, under baselineMutex_, before baselineCaptured_ is released; read-only after.
    std::mutex baselineMutex_;
    float baseline_[kEightChannelCount] = {};
    int baselineCount_ = 0;
    std::atomic<bool> baselineCaptured_{false};
};

}  // namespace mirav

#endif
