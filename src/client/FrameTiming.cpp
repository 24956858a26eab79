#include "client/FrameTiming.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/Clock.h"

namespace mirav {
namespace {
constexpr double kSecondsPerNs = 1e-9;

size_t Slot(int32_t frameNumber) {
    return static_cast<size_t>(static_cast<uint32_t>(frameNumber) % FrameTimingLog::kKept);
}
}  // namespace

void FrameTimingLog::Record(int32_t frameNumber, int64_t arrivalNs) {
    std::lock_guard<std::mutex> guard(lock_);
    const ClockEstimate estimate = model_.Update(frameNumber, arrivalNs);
    Entry& entry = entries_[Slot(frameNumber)];
    entry.valid = true;
    entry.frameNumber = frameNumber;
    entry.timing.size = sizeof(sFrameHostTiming);
    entry.timing.captureTime = static_cast<double>(estimate.captureNs) * kSecondsPerNs;
    entry.timing.captureUncertainty = static_cast<double>(estimate.uncertaintyNs) * kSecondsPerNs;
    entry.timing.arrivalTime = static_cast<double>(arrivalNs) * kSecondsPerNs;
    entry.timing.deliveryTime = static_cast<double>(System::MonotonicNs()) * kSecondsPerNs;
    entry.timing.estimatedRate = estimate.rateHz;
}

bool FrameTimingLog::Find(int32_t frameNumber, sFrameHostTiming* timing) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Entry& entry = entries_[Slot(frameNumber)];
    if (!entry.valid || entry.frameNumber != frameNumber) return false;
    // Every whole field after the size field that the caller's record has room for.
    const size_t room = std::min<size_t>(timing->size, sizeof(sFrameHostTiming)) & ~size_t{7};
    const size_t skip = offsetof(sFrameHostTiming, captureTime);
    if (room > skip) {
        std::memcpy(reinterpret_cast<unsigned char*>(timing) + skip,
                    reinterpret_cast<const unsigned char*>(&entry.timing) + skip, room - skip);
    }
    return true;
}

void FrameTimingLog::Reset() {
    std::lock_guard<std::mutex> guard(lock_);
    model_.Reset();
}

}  // namespace mirav
