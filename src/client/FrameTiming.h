// Host timing of the frames of one client: the clock model fed with each frame's arrival, and
// the records of the latest frames, found again by frame number.
#ifndef MIRAV_CLIENT_FRAME_TIMING_H
#define MIRAV_CLIENT_FRAME_TIMING_H

#include <array>
#include <cstdint>
#include <mutex>

#include "client/ClockModel.h"
#include "mirav/MiravTypes.h"

namespace mirav {

class FrameTimingLog {
public:
    // Records of this many latest frames are kept.
    static constexpr int kKept = 512;

    // Called on a receive thread just before the frame goes to the application: estimates its
    // capture time from arrivalNs (monotonic clock) and stamps the delivery time.
    void Record(int32_t frameNumber, int64_t arrivalNs);
    // The record of the latest frame with this number among the kept ones. The record's size
    // field is left as the caller set it; only the fields that fit in it are written.
    bool Find(int32_t frameNumber, sFrameHostTiming* timing) const;
    // The stream starts again (reconnect): the model restarts, the kept records stay.
    void Reset();

private:
    struct Entry {
        bool valid = false;
        int32_t frameNumber = 0;
        sFrameHostTiming timing{};
    };
    mutable std::mutex lock_;
    ClockModel model_;
    std::array<Entry, kKept> entries_{};
};

}  // namespace mirav

#endif
