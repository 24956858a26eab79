#include "ViewStatistics.h"

#include "Session.h"

namespace mirav::cli {

LossCounters CollectLossCounters(MiravSDKClient& client, uint64_t missingSeen) {
    (void)client;  // the client's own stream statistics take over here once it offers them
    LossCounters counters;
    counters.missingFrames = missingSeen;
    counters.malformedDatagrams = MalformedDatagrams();
    return counters;
}

}  // namespace mirav::cli
