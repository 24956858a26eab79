#include "ViewStatistics.h"


namespace mirav::cli {

LossCounters CollectLossCounters(MiravSDKClient& client, uint64_t missingSeen) {
    LossCounters counters;
    sStreamStatistics stats{};
    stats.size = sizeof(stats);
    if (client.GetStreamStatistics(&stats) != MiravResult_Ok) {
        counters.missingFrames = missingSeen;
        return counters;
    }
    counters.missingFrames = stats.framesMissing;
    counters.malformedDatagrams = stats.datagramsMalformed;
    counters.incompleteMessages = stats.messagesAbandoned + stats.messagesKernelDiscarded;
    counters.kernelDrops = stats.kernelDrops;
    return counters;
}

}  // namespace mirav::cli
