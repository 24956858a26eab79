// The loss counters the view's panel shows for a live stream. This is the one place that
// decides where they come from: today the frame-number gaps the view counts itself and the
// malformed datagrams the library reports through its messages.
#ifndef MIRAV_CLI_VIEW_VIEW_STATISTICS_H
#define MIRAV_CLI_VIEW_VIEW_STATISTICS_H

#include <mirav/Mirav.h>

#include <cstdint>

namespace mirav::cli {

struct LossCounters {
    uint64_t missingFrames = 0;       // gaps in the frame numbers
    uint64_t malformedDatagrams = 0;  // datagrams the library dropped
};

// missingSeen: the gaps the view counted in the frame numbers it received.
LossCounters CollectLossCounters(MiravSDKClient& client, uint64_t missingSeen);

}  // namespace mirav::cli

#endif
