// Reassembly of messages from their datagrams, free of sockets and threads so it can be tested
// and fuzzed on its own. Fragments are kept per message and placed by their index, so a message
// completes when all its fragments have arrived, in any order and with any repeats. A
// continuation fragment carries no message identifier, so every signal that two fragments belong
// to different messages is used: a fragment 0 opens a message; type, sequence and total length
// must agree; the fragment lengths must fit the cut that fragment 0 implies; a fragment whose
// bytes differ from those already held for its index belongs elsewhere; the kernel's drop counter
// must not change while a message is collected; and the gap between two fragments of a message
// must stay within a window learned from the messages that completed.
#ifndef MIRAV_CLIENT_REASSEMBLER_H
#define MIRAV_CLIENT_REASSEMBLER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/StreamStatistics.h"
#include "protocol/MessageHeader.h"

namespace mirav {

// What the receive path knows of a complete message besides its header and body.
struct MessageInfo {
    int64_t arrivalNs = 0;  // monotonic arrival of the message's first datagram
};

// What the platform reported with one datagram.
struct DatagramInfo {
    int64_t arrivalNs = 0;  // monotonic arrival time
    bool dropCounterValid = false;
    uint32_t dropCounter = 0;  // the socket's running count of kernel drops
};

class Reassembler {
public:
    static constexpr size_t kMaxMessagesInProgress = 4;
    static constexpr size_t kMaxFragments = 256;
    // The least window a gap between two fragments of one message may span (also until enough
    // messages completed to learn it), and the margin added to the learned gaps.
    static constexpr int64_t kWindowFloorNs = 5000000;
    // The least window of a channel whose messages never interleave (the command channel: one
    // request waits for its reply at a time), so a receive thread held up between two fragments
    // (arrival times read in user space, on Windows) does not cost the reply.
    static constexpr int64_t kRepliesWindowFloorNs = 50000000;
    void SetWindowFloorNs(int64_t floorNs) { windowFloorNs_ = floorNs; }
    static constexpr int64_t kGapMarginNs = 1000000;
    // How far a fragment may arrive out of its place: fragments of higher index that came before
    // it, or fragments skipped ahead of the highest one held. Beyond that it is another message.
    static constexpr int kReorderDepth = 3;

    // Diagnostic sites of the malformed datagrams and of the out-of-order fragment.
    static constexpr int kSiteShort = 573;
    static constexpr int kSiteFragmentLength = 583;
    static constexpr int kSiteMagic = 590;
    static constexpr int kSiteFragmentIndex = 621;

    enum class Outcome { kStored, kComplete, kDropped };

    struct Result {
        Outcome outcome = Outcome::kDropped;
        // A diagnostic line to emit with the site and value (site 0: none).
        int reportSite = 0;
        uint32_t reportValue = 0;
        // For kComplete: the header of the datagram that completed the message and the body,
        // valid until the next call.
        MessageHeader header;
        const uint8_t* body = nullptr;
        uint32_t length = 0;
        MessageInfo info;
    };

    explicit Reassembler(uint32_t capacity = static_cast<uint32_t>(kReassemblyCapacity));

    // Counters to count into (may be null).
    void SetCounters(ChannelCounters* counters) { counters_ = counters; }
    // Forgets the messages in progress and the drop counter (a new socket); the learned window
    // and the memory stay.
    void Reset();
    Result Accept(const uint8_t* datagram, uint32_t length, const DatagramInfo& info);

    // The current gap window, the messages in progress and the bytes held (for tests).
    int64_t WindowNs() const;
    size_t MessagesInProgress() const;
    size_t MemoryBytes() const;

private:
    struct Slot {
        bool active = false;  // collecting
        bool done = false;    // completed; kept to recognise late repeats until reused
        uint8_t type = 0;
        uint32_t sequence = 0;
        int32_t total = 0;
        uint32_t fragmentSize = 0;  // length of fragment 0; 0 until it arrived
        uint32_t received = 0;
        uint32_t collected = 0;
        int highest = -1;
        bool inOrder = true;  // fragments stored in index order, so bytes is the body
        uint64_t opened = 0;  // serial of its first datagram
        int64_t firstNs = 0;
        int64_t lastNs = 0;
        int64_t maxGapNs = 0;
        bool dropValid = false;
        uint32_t dropCounter = 0;
        std::array<uint64_t, kMaxFragments / 64> have{};
        std::array<uint32_t, kMaxFragments> offset{};
        std::array<uint16_t, kMaxFragments> length{};
        std::array<uint64_t, kMaxFragments> serial{};
        std::vector<uint8_t> bytes;

        bool Has(uint32_t index) const { return (have[index / 64] >> (index % 64)) & 1u; }
    };

    uint32_t ShadowReport(const MessageHeader& header);
    void Abandon(Slot& slot, SingleWriterCount* counter);
    bool Fits(const Slot& slot, uint32_t index, uint32_t length) const;
    bool FitsCut(const Slot& slot, uint32_t fragmentSize) const;
    // Score of adding the fragment to the slot (lower is better), or -1 when it cannot join.
    int JoinScore(const Slot& slot, uint32_t index, uint32_t length) const;
    Slot& OpenSlot(const MessageHeader& header, const DatagramInfo& info);
    void Store(Slot& slot, const MessageHeader& header, const uint8_t* body,
               const DatagramInfo& info);
    bool Complete(Slot& slot, Result* result);
    void Learn(int64_t gapNs, int64_t firstNs);
    void Malformed(Result* result, int site, uint32_t value);

    uint32_t capacity_;
    ChannelCounters* counters_ = nullptr;
    std::array<Slot, kMaxMessagesInProgress> slots_;
    std::vector<uint8_t> assembly_;
    uint64_t serial_ = 0;
    bool dropBaselineValid_ = false;
    uint32_t dropBaseline_ = 0;
    uint32_t learnedFragmentSize_ = 0;
    // The longest gap of each of the last messages that completed, and the time from the first
    // fragment of one completed message to that of the next (rings).
    std::array<int64_t, 16> gaps_{};
    std::array<int64_t, 16> intervals_{};
    size_t gapCount_ = 0;
    int64_t windowFloorNs_ = 0;  // the channel's own least window (see SetWindowFloorNs)
    size_t gapNext_ = 0;
    int64_t lastCompletedNs_ = 0;
    // The sequential rule of the diagnostic lines: which index it expects next.
    uint8_t shadowExpected_ = 0;
    uint8_t shadowType_ = 0;
    uint64_t shadowCollected_ = 0;
};

}  // namespace mirav

#endif
