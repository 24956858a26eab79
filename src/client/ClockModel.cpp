#include "client/ClockModel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace mirav {
namespace {
// A frame this far before the fitted line cannot be explained by a late fit: restart at once.
constexpr double kJumpNs = 50e6;
// Frames below the line in a row, and blocks above it in a row, that restart the fit.
constexpr int kFramesBelowForRestart = 3;
constexpr int kBlocksAboveForRestart = 2;
// Least disagreement taken for a change of stream rather than noise.
constexpr double kMinBelowNs = 300e3;
constexpr double kMinAboveNs = 2e6;
// Stated uncertainty: this many times the spread of the envelope about its line.
// The line's standard error, with the support (the lowest block minimum rather than the mean)
// counted as this many block minima's worth of doubt.
constexpr double kSpreadFactor = 4.0;
constexpr double kSupportWeight = 4.0;
// Lowest block minima the supporting line may pass above (one per eight in the window).
constexpr int kIgnoredLowest = 3;
}  // namespace

void ClockModel::Reset() {
    started_ = false;
    fitted_ = false;
}

void ClockModel::Start(int64_t frame, int64_t arrivalNs) {
    started_ = true;
    ++starts_;
    baseFrame_ = frame;
    baseNs_ = arrivalNs;
    lastFrame_ = frame;
    first_ = latest_ = Point{0, 0};
    blockFrames_ = 0;
    warmCount_ = 0;
    minimaCount_ = 0;
    minimaNext_ = 0;
    fitted_ = false;
    framesBelow_ = 0;
    blocksAbove_ = 0;
}

double ClockModel::ToleranceNs() const { return std::max(kMinBelowNs, 8.0 * scatter_); }

ClockEstimate ClockModel::Update(int32_t frameNumber, int64_t arrivalNs) {
    const int64_t frame = frameNumber;
    if (!started_) {
        Start(frame, arrivalNs);
    } else {
        const int64_t step = frame - lastFrame_;
        if (step == 0) return lastEstimate_;  // a repeated frame
        if (step < 0 && step > -kReorderFrames) {
            // A late copy of an earlier frame: estimated from the line, not fed to it.
            return Estimate(static_cast<double>(frame - baseFrame_),
                            static_cast<double>(arrivalNs - baseNs_), arrivalNs, false);
        }
        if (step < 0) Start(frame, arrivalNs);  // frame numbers started again
    }
    double x = static_cast<double>(frame - baseFrame_);
    double y = static_cast<double>(arrivalNs - baseNs_);
    if (fitted_) {
        const double residual = y - LineAt(x);
        const double tolerance = ToleranceNs();
        const bool below = residual < -tolerance;
        framesBelow_ = below ? framesBelow_ + 1 : 0;
        // Frames arriving well before their capture time on the line: the rate went up or the
        // numbering jumped; no delay can be negative, so the fit no longer holds.
        if (residual < -std::max(kJumpNs, tolerance) || framesBelow_ >= kFramesBelowForRestart) {
            Start(frame, arrivalNs);
            x = 0;
            y = 0;
        }
    }
    lastFrame_ = frame;
    latest_ = Point{x, y};

    if (!fitted_) {
        // Until the first fit the points are kept: their rate is known only once they span a
        // few blocks, and the earliest arrival of each block depends on it.
        if (warmCount_ < kWarmPoints) warm_[static_cast<size_t>(warmCount_++)] = latest_;
        if ((y >= static_cast<double>(kMinBlocksForFit * kBlockNs) &&
             warmCount_ >= kMinBlocksForFit * kBlockMinFrames) ||
            warmCount_ == kWarmPoints) {
            FitWarmUp();
        }
    } else {
        // The block keeps its earliest arrival relative to the fitted line.
        const double residual = y - slope_ * x;
        if (blockFrames_ == 0) {
            blockStartY_ = y;
            blockMin_ = latest_;
            blockMinResidual_ = residual;
        } else if (residual < blockMinResidual_) {
            blockMin_ = latest_;
            blockMinResidual_ = residual;
        }
        ++blockFrames_;
        if (blockFrames_ >= kBlockMinFrames && y - blockStartY_ >= static_cast<double>(kBlockNs)) {
            CloseBlock();
        }
    }
    lastEstimate_ = Estimate(latest_.x, latest_.y, arrivalNs, true);
    return lastEstimate_;
}

void ClockModel::CloseBlock() {
    blockFrames_ = 0;
    if (fitted_) {
        const double above = blockMin_.y - LineAt(blockMin_.x);
        const double limit = std::max({kMinAboveNs, 8.0 * scatter_, 0.5 * slope_});
        if (above > limit) {
            // A whole block later than the line: the rate went down or the delay floor rose.
            // One such block may be congestion and stays out of the fit; more restart it.
            if (++blocksAbove_ >= kBlocksAboveForRestart) {
                const int64_t frame = lastFrame_;
                const int64_t arrival = baseNs_ + static_cast<int64_t>(std::llround(latest_.y));
                Start(frame, arrival);
                latest_ = Point{0, 0};
            }
            return;
        }
        blocksAbove_ = 0;
    }
    minima_[static_cast<size_t>(minimaNext_)] = blockMin_;
    minimaNext_ = (minimaNext_ + 1) % kWindow;
    minimaCount_ = std::min(minimaCount_ + 1, kWindow);
    if (minimaCount_ >= kMinBlocksForFit) Refit();
}

void ClockModel::FitWarmUp() {
    // Least squares through every point: jitter averages out well enough to pick each block's
    // earliest arrival; the fit through those minima then replaces it.
    const int n = warmCount_;
    double xMean = 0, yMean = 0;
    for (int i = 0; i < n; ++i) {
        xMean += warm_[static_cast<size_t>(i)].x;
        yMean += warm_[static_cast<size_t>(i)].y;
    }
    xMean /= n;
    yMean /= n;
    double sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        const double dx = warm_[static_cast<size_t>(i)].x - xMean;
        sxx += dx * dx;
        sxy += dx * (warm_[static_cast<size_t>(i)].y - yMean);
    }
    const double span = warm_[static_cast<size_t>(n - 1)].y;
    if (!(sxx > 0) || !(sxy > 0) || !(span > 0)) {
        warmCount_ = 0;  // no usable spread yet: collect again
        return;
    }
    const double slope = sxy / sxx;
    const int blocks = std::min(
        kWindow,
        std::max(kMinBlocksForFit, static_cast<int>(span / static_cast<double>(kBlockNs))));
    minimaCount_ = 0;
    minimaNext_ = 0;
    int i = 0;
    for (int b = 0; b < blocks; ++b) {
        const double end = span * (b + 1) / blocks;
        bool any = false;
        Point lowest{0, 0};
        for (; i < n && (warm_[static_cast<size_t>(i)].y <= end || b == blocks - 1); ++i) {
            const Point& p = warm_[static_cast<size_t>(i)];
            if (!any || p.y - slope * p.x < lowest.y - slope * lowest.x) lowest = p;
            any = true;
        }
        if (!any) continue;
        minima_[static_cast<size_t>(minimaNext_)] = lowest;
        minimaNext_ = (minimaNext_ + 1) % kWindow;
        ++minimaCount_;
    }
    warmCount_ = 0;
    blockFrames_ = 0;
    if (minimaCount_ >= kMinBlocksForFit) Refit();
}

void ClockModel::Refit() {
    const int n = minimaCount_;
    double xMean = 0;
    for (int i = 0; i < n; ++i) xMean += minima_[static_cast<size_t>(i)].x;
    xMean /= n;
    double sxx = 0;
    for (int i = 0; i < n; ++i) {
        const double dx = minima_[static_cast<size_t>(i)].x - xMean;
        sxx += dx * dx;
    }
    if (!(sxx > 0)) return;
    // The slope is the median of the slopes between every two block minima: a block held up
    // as a whole (a stalled host, a burst of traffic) tilts a least-squares line, not this one.
    std::array<double, kWindow*(kWindow - 1) / 2> slopes{};
    size_t count = 0;
    for (int i = 0; i < n; ++i) {
        const Point& a = minima_[static_cast<size_t>(i)];
        for (int j = i + 1; j < n; ++j) {
            const Point& b = minima_[static_cast<size_t>(j)];
            if (b.x != a.x) slopes[count++] = (b.y - a.y) / (b.x - a.x);
        }
    }
    if (count == 0) return;
    const auto middle = slopes.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(slopes.begin(), middle, slopes.begin() + static_cast<std::ptrdiff_t>(count));
    const double slope = *middle;
    if (!(slope > 0) || !std::isfinite(slope)) return;  // time runs forward with the frames

    std::array<double, kWindow> residuals{};
    for (int i = 0; i < n; ++i) {
        const Point& p = minima_[static_cast<size_t>(i)];
        residuals[static_cast<size_t>(i)] = p.y - slope * p.x;
    }
    const auto end = residuals.begin() + n;
    // The line is moved down to support the block minima, except the lowest few: an arrival
    // time read wrongly early (a clock read preempted) must not pull the whole line down.
    const int ignored = std::min(kIgnoredLowest, (n - 1) / 8);
    std::nth_element(residuals.begin(), residuals.begin() + ignored, end);
    const double support = residuals[static_cast<size_t>(ignored)];
    // Spread of the minima about the line: the median distance from their median, scaled to
    // a standard deviation.
    std::nth_element(residuals.begin(), residuals.begin() + n / 2, end);
    const double median = residuals[static_cast<size_t>(n / 2)];
    for (auto it = residuals.begin(); it != end; ++it) *it = std::fabs(*it - median);
    std::nth_element(residuals.begin(), residuals.begin() + n / 2, end);
    const double spread = 1.4826 * residuals[static_cast<size_t>(n / 2)];

    slope_ = slope;
    intercept_ = support;
    xMean_ = xMean;
    sxx_ = sxx;
    scatter_ = spread;
    fitted_ = true;
}

ClockEstimate ClockModel::Estimate(double x, double y, int64_t arrivalNs, bool latest) {
    ClockEstimate estimate;
    double uncertainty = static_cast<double>(kWarmUncertaintyNs);
    double capture = y;
    if (fitted_) {
        const double dx = x - xMean_;
        const double spread = scatter_ * std::sqrt(kSupportWeight / minimaCount_ + dx * dx / sxx_);
        capture = LineAt(x);
        uncertainty = static_cast<double>(kFloorNs) + kSpreadFactor * spread;
        estimate.rateHz = 1e9 / slope_;
    } else if (latest_.x > first_.x) {
        estimate.rateHz = 1e9 * (latest_.x - first_.x) / (latest_.y - first_.y);
        if (!std::isfinite(estimate.rateHz) || estimate.rateHz < 0) estimate.rateHz = 0;
    }
    // Never after the arrival.
    if (capture > y) {
        uncertainty += capture - y;
        capture = y;
    }
    int64_t captureNs = baseNs_ + static_cast<int64_t>(std::llround(capture));
    if (captureNs > arrivalNs) captureNs = arrivalNs;
    if (latest) {
        // Never before the capture time of an earlier frame.
        if (captureNs < lastCaptureNs_) {
            uncertainty += static_cast<double>(lastCaptureNs_ - captureNs);
            captureNs = lastCaptureNs_;
        }
        lastCaptureNs_ = captureNs;
    }
    estimate.captureNs = captureNs;
    estimate.uncertaintyNs = static_cast<int64_t>(std::ceil(uncertainty));
    return estimate;
}

}  // namespace mirav
