#include "client/StreamStatistics.h"

#include <algorithm>
#include <cstring>

namespace mirav {

void FrameSequence::Observe(int32_t frameNumber, SingleWriterCount* missing,
                            SingleWriterCount* outOfOrder) {
    const int64_t number = frameNumber;
    if (stalled_) {
        stalled_ = false;
        if (started_ && number <= highest_) started_ = false;
    }
    if (!started_) {
        started_ = true;
        highest_ = number;
        seen_ = 1;
        return;
    }
    if (number > highest_) {
        const int64_t step = number - highest_;
        if (step > 1) missing->Add(static_cast<uint64_t>(step - 1));
        seen_ = step >= 64 ? 1 : (seen_ << step) | 1;
        highest_ = number;
        return;
    }
    outOfOrder->Add();
    const int64_t back = highest_ - number;
    if (back < 64 && (seen_ & (uint64_t{1} << back)) == 0) {
        // A late frame fills the gap it was counted in.
        seen_ |= uint64_t{1} << back;
        if (missing->Get() > 0) missing->Add(~uint64_t{0});
    }
}

void ChannelCounters::FrameDelivered(int32_t frameNumber, int64_t arrivalNs) {
    if (restartRequested.exchange(false, std::memory_order_acq_rel)) sequence_.Restart();
    if (stallReported.exchange(false, std::memory_order_acq_rel)) sequence_.Stalled();
    framesDelivered.Add();
    sequence_.Observe(frameNumber, &framesMissing, &framesOutOfOrder);
    lastFrameNs.store(arrivalNs != 0 ? arrivalNs : 1, std::memory_order_relaxed);
}

void StreamStatistics::RestartFrameNumbers() {
    command_.restartRequested.store(true, std::memory_order_release);
    data_.restartRequested.store(true, std::memory_order_release);
}

void StreamStatistics::StreamStalled() {
    command_.stallReported.store(true, std::memory_order_release);
    data_.stallReported.store(true, std::memory_order_release);
}

void StreamStatistics::Fill(sStreamStatistics* stats, int64_t nowNs) const {
    const auto sum = [this](SingleWriterCount ChannelCounters::*field) {
        return (command_.*field).Get() + (data_.*field).Get();
    };
    stats->kernelDropsReported =
        command_.kernelDropsReported.load() || data_.kernelDropsReported.load() ? 1 : 0;
    stats->datagramsReceived = sum(&ChannelCounters::datagramsReceived);
    stats->bytesReceived = sum(&ChannelCounters::bytesReceived);
    stats->framesDelivered = sum(&ChannelCounters::framesDelivered);
    stats->framesMissing = sum(&ChannelCounters::framesMissing);
    stats->framesOutOfOrder = sum(&ChannelCounters::framesOutOfOrder);
    stats->framesDroppedByQueue = sum(&ChannelCounters::framesDroppedByQueue);
    stats->messagesAbandoned = sum(&ChannelCounters::messagesAbandoned);
    stats->messagesKernelDiscarded = sum(&ChannelCounters::messagesKernelDiscarded);
    stats->datagramsMalformed = sum(&ChannelCounters::datagramsMalformed);
    stats->fragmentsRepeated = sum(&ChannelCounters::fragmentsRepeated);
    stats->datagramsForeign = sum(&ChannelCounters::datagramsForeign);
    stats->kernelDrops = sum(&ChannelCounters::kernelDrops);
    const int64_t last = std::max(command_.lastFrameNs.load(std::memory_order_relaxed),
                                  data_.lastFrameNs.load(std::memory_order_relaxed));
    stats->millisecondsSinceLastFrame =
        last == 0 ? -1 : std::max<int64_t>(0, (nowNs - last) / 1000000);
}

}  // namespace mirav
