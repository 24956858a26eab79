// The loss counters the view's panel shows for a live stream, taken from the client's stream
// statistics.
#ifndef MIRAV_CLI_VIEW_VIEW_STATISTICS_H
#define MIRAV_CLI_VIEW_VIEW_STATISTICS_H

#include <mirav/Mirav.h>

#include <cstdint>

namespace mirav::cli {

struct LossCounters {
    uint64_t missingFrames = 0;       // gaps in the frame numbers
    uint64_t malformedDatagrams = 0;  // datagrams the library dropped
    uint64_t incompleteMessages = 0;  // messages given up or discarded for lost fragments
    uint64_t kernelDrops = 0;         // datagrams the kernel dropped (receive buffer full)
};

// missingSeen: the gaps the view counted in the frame numbers it received, shown when the
// library cannot give its statistics.
LossCounters CollectLossCounters(MiravSDKClient& client, uint64_t missingSeen);

}  // namespace mirav::cli

#endif
