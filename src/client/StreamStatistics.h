// Per-client counters of what the receive path saw: datagrams, reassembly outcomes, kernel drops
// and the frame-number sequence. Each channel writes its own block from its receive thread only,
// so a count is a relaxed load and store (no locked instruction per datagram); readers on other
// threads sum the blocks.
#ifndef MIRAV_CLIENT_STREAM_STATISTICS_H
#define MIRAV_CLIENT_STREAM_STATISTICS_H

#include <atomic>
#include <cstdint>

#include "mirav/MiravTypes.h"

namespace mirav {

// A counter with a single writing thread; any thread may read it.
class SingleWriterCount {
public:
    void Add(uint64_t n = 1) {
        value_.store(value_.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
    }
    uint64_t Get() const { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<uint64_t> value_{0};
};

// Frame numbers as they are delivered: gaps, late and repeated frames. Written by one thread.
class FrameSequence {
public:
    // Counts a delivered frame number into missing / out-of-order.
    void Observe(int32_t frameNumber, SingleWriterCount* missing, SingleWriterCount* outOfOrder);
    // Forgets the baseline: the next frame number starts a new sequence (no gap counted).
    void Restart() { started_ = false; }
    // The stream stalled: a next frame number at or below the highest means the server started
    // its numbering again and starts a new sequence; a higher one counts its gap as usual.
    void Stalled() { stalled_ = true; }

private:
    bool started_ = false;
    bool stalled_ = false;
    int64_t highest_ = 0;
    // Bit i set: frame highest_ - i was delivered (i < 64); lets a late frame close its gap.
    uint64_t seen_ = 0;
};

// The counters of one channel.
struct ChannelCounters {
    SingleWriterCount datagramsReceived;
    SingleWriterCount bytesReceived;
    SingleWriterCount datagramsForeign;
    SingleWriterCount datagramsMalformed;
    SingleWriterCount fragmentsRepeated;
    SingleWriterCount messagesAbandoned;
    SingleWriterCount messagesKernelDiscarded;
    SingleWriterCount kernelDrops;
    SingleWriterCount framesDelivered;
    SingleWriterCount framesMissing;
    SingleWriterCount framesOutOfOrder;
    SingleWriterCount framesDroppedByQueue;
    std::atomic<bool> kernelDropsReported{false};
    std::atomic<int64_t> lastFrameNs{0};  // monotonic arrival of the last frame; 0: none yet
    // Set by any thread; the writer restarts its frame sequence before the next frame.
    std::atomic<bool> restartRequested{false};
    // Set by any thread when the stream stalled; the writer passes it on before the next frame.
    std::atomic<bool> stallReported{false};

    // Called by the writer when a frame was handed to the application.
    void FrameDelivered(int32_t frameNumber, int64_t arrivalNs);

private:
    FrameSequence sequence_;
};

// The statistics of one client: a block per channel, summed when read.
class StreamStatistics {
public:
    ChannelCounters& Command() { return command_; }
    ChannelCounters& Data() { return data_; }
    // Frame numbers start over (after the server restarted its stream).
    void RestartFrameNumbers();
    // No frame for the stall time: frames that follow with lower numbers come from a server that
    // started again (they arrive before the reconnection has finished) and are not out of order.
    void StreamStalled();
    // Fills the known fields of stats; nowNs is the monotonic time of the call.
    void Fill(sStreamStatistics* stats, int64_t nowNs) const;

private:
    ChannelCounters command_;
    ChannelCounters data_;
};

}  // namespace mirav

#endif
