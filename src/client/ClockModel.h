// Maps the frames of one stream onto the host's monotonic clock. Frames are captured on a steady
// grid, so the host time of capture of frame n lies on a line t(n) = t0 + period * n; arrival
// times are that line plus a delay that is never negative (server processing, transport, queueing
// and scheduling). The model fits the lower envelope of (frame number, arrival time): the earliest
// arrival of each short block of frames, a line through the latest block minima with the median
// of their pairwise slopes, moved down until it supports them (but for the lowest few). The moving
// window follows drift between the server's clock and the host's; a frame-number reset, a rate
// change or a change of the delay floor restarts the fit. Every update is O(1) (a refit over the
// bounded window happens once per block).
#ifndef MIRAV_CLIENT_CLOCK_MODEL_H
#define MIRAV_CLIENT_CLOCK_MODEL_H

#include <array>
#include <cstdint>

namespace mirav {

struct ClockEstimate {
    int64_t captureNs = 0;      // estimated host time of capture
    int64_t uncertaintyNs = 0;  // bound on |captureNs - true capture| (about 99 % of frames)
    double rateHz = 0.0;        // estimated frame rate; 0 while unknown
};

class ClockModel {
public:
    // Block of frames whose earliest arrival feeds the fit: at least this long and this many.
    static constexpr int64_t kBlockNs = 100000000;
    static constexpr int kBlockMinFrames = 4;
    // Block minima in the fitting window (about 3 s of stream), and the minimum for a fit.
    static constexpr int kWindow = 32;
    static constexpr int kMinBlocksForFit = 3;
    // Uncertainty stated before the first fit, when the capture time is the arrival time.
    static constexpr int64_t kWarmUncertaintyNs = 10000000;
    // Part of the delay no arrival can reveal (transport on an idle path): always added.
    static constexpr int64_t kFloorNs = 100000;
    // Points kept until the first fit (the first few tenths of a second).
    static constexpr int kWarmPoints = 512;
    // Frames this many numbers behind the newest are late copies; further back is a reset.
    static constexpr int64_t kReorderFrames = 16;

    // The estimate for one frame; arrivalNs on the monotonic clock. Not thread-safe.
    ClockEstimate Update(int32_t frameNumber, int64_t arrivalNs);
    // Forgets the stream (reconnect, new server); capture times stay monotonic across it.
    void Reset();
    // Fits started since construction (the first one included): for tests and statistics.
    uint32_t Starts() const { return starts_; }
    bool HasFit() const { return fitted_; }

private:
    struct Point {
        double x;  // frames since the start
        double y;  // nanoseconds since the start
    };
    void Start(int64_t frame, int64_t arrivalNs);
    void CloseBlock();
    void FitWarmUp();
    void Refit();
    double LineAt(double x) const { return intercept_ + slope_ * x; }
    double ToleranceNs() const;
    ClockEstimate Estimate(double x, double y, int64_t arrivalNs, bool latest);

    bool started_ = false;
    uint32_t starts_ = 0;
    int64_t baseFrame_ = 0;
    int64_t baseNs_ = 0;
    int64_t lastFrame_ = 0;
    int64_t lastCaptureNs_ = INT64_MIN;  // across restarts: keeps capture times monotonic
    ClockEstimate lastEstimate_;
    // Points since the start, for the provisional rate.
    Point first_{0, 0};
    Point latest_{0, 0};
    // Points of the warm-up, until the first fit.
    std::array<Point, kWarmPoints> warm_{};
    int warmCount_ = 0;
    // Current block.
    int blockFrames_ = 0;
    double blockStartY_ = 0;
    Point blockMin_{0, 0};
    double blockMinResidual_ = 0;
    // Window of block minima (ring) and the fit through them.
    std::array<Point, kWindow> minima_{};
    int minimaCount_ = 0;
    int minimaNext_ = 0;
    bool fitted_ = false;
    double slope_ = 0;      // ns per frame
    double intercept_ = 0;  // ns at x = 0
    double xMean_ = 0;
    double sxx_ = 0;
    double scatter_ = 0;  // spread of the block minima about the line (a standard deviation)
    // Consecutive disagreements with the fit: frames well below it, blocks well above it.
    int framesBelow_ = 0;
    int blocksAbove_ = 0;
};

}  // namespace mirav

#endif
