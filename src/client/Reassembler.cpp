#include "client/Reassembler.h"

#include <algorithm>
#include <cstring>

namespace mirav {
namespace {

uint32_t FragmentCount(int32_t total, uint32_t fragmentSize) {
    return static_cast<uint32_t>((static_cast<uint64_t>(total) + fragmentSize - 1) / fragmentSize);
}

// The length fragment index must have in a message of total bytes cut into fragmentSize pieces,
// or -1 when the cut has no such index.
int64_t CutLength(int32_t total, uint32_t fragmentSize, uint32_t index) {
    const uint32_t count = FragmentCount(total, fragmentSize);
    if (index >= count) return -1;
    if (index + 1 < count) return fragmentSize;
    return static_cast<int64_t>(total) - static_cast<int64_t>(count - 1) * fragmentSize;
}

}  // namespace

Reassembler::Reassembler(uint32_t capacity) : capacity_(capacity) {}

void Reassembler::Reset() {
    for (Slot& slot : slots_) {
        slot.active = false;
        slot.done = false;
    }
    dropBaselineValid_ = false;
    shadowExpected_ = 0;
    shadowType_ = 0;
    shadowCollected_ = 0;
}

// Four times the median longest gap of the recent messages plus a margin, or three quarters of
// the shortest time between two recent messages where that is longer (fragments of two
// different messages are about that time apart; below it, a sender paused for a moment within
// one message is still waited for), and never less than the floor, so a link that slows down
// does not lose every message before the window has learned it.
int64_t Reassembler::WindowNs() const {
    constexpr size_t kLearnedAfter = 4;
    if (gapCount_ < kLearnedAfter) return kWindowFloorNs;
    std::array<int64_t, 16> sorted = gaps_;
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(gapCount_));
    const int64_t fromGaps = 4 * sorted[gapCount_ / 2] + kGapMarginNs;
    const int64_t shortest = *std::min_element(
        intervals_.begin(), intervals_.begin() + static_cast<std::ptrdiff_t>(gapCount_));
    return std::max({kWindowFloorNs, fromGaps, shortest / 4 * 3});
}

size_t Reassembler::MessagesInProgress() const {
    size_t count = 0;
    for (const Slot& slot : slots_) count += slot.active ? 1 : 0;
    return count;
}

size_t Reassembler::MemoryBytes() const {
    size_t bytes = assembly_.capacity();
    for (const Slot& slot : slots_) bytes += slot.bytes.capacity();
    return bytes;
}

void Reassembler::Malformed(Result* result, int site, uint32_t value) {
    result->outcome = Outcome::kDropped;
    if (site != 0) {
        result->reportSite = site;
        result->reportValue = value;
    }
    if (counters_ != nullptr) counters_->datagramsMalformed.Add();
}

void Reassembler::Abandon(Slot& slot, SingleWriterCount* counter) {
    if (!slot.active) return;
    slot.active = false;
    if (counter != nullptr) counter->Add();
}

// Follows the sequential rule of old: the diagnostic line for a fragment whose index is not the
// one that rule expects. Which messages are delivered does not depend on it.
uint32_t Reassembler::ShadowReport(const MessageHeader& header) {
    if (header.fragmentIndex == 0) {
        shadowType_ = header.messageType;
        shadowCollected_ = 0;
    } else if (header.messageType != shadowType_) {
        shadowExpected_ = 0;
        shadowType_ = 0;
        return 0;
    } else if (header.fragmentIndex != shadowExpected_) {
        // A repeated copy of the previous fragment keeps the rule's state.
        if (shadowExpected_ != static_cast<uint8_t>(header.fragmentIndex + 1)) shadowExpected_ = 0;
        return 1;
    }
    shadowCollected_ += header.fragmentLength;
    shadowExpected_ = static_cast<uint8_t>(header.fragmentIndex + 1);
    if (static_cast<int64_t>(shadowCollected_) == header.totalLength) {
        shadowExpected_ = 0;
        shadowType_ = 0;
        shadowCollected_ = 0;
    }
    return 0;
}

bool Reassembler::FitsCut(const Slot& slot, uint32_t fragmentSize) const {
    for (uint32_t index = 0; index < kMaxFragments; ++index) {
        if (slot.Has(index) && CutLength(slot.total, fragmentSize, index) != slot.length[index]) {
            return false;
        }
    }
    return true;
}

bool Reassembler::Fits(const Slot& slot, uint32_t index, uint32_t length) const {
    if (slot.Has(index)) return false;
    if (static_cast<int64_t>(slot.collected) + length > slot.total) return false;
    if (index == 0) return FitsCut(slot, length);
    if (slot.fragmentSize != 0) return CutLength(slot.total, slot.fragmentSize, index) == length;
    return true;
}

int Reassembler::JoinScore(const Slot& slot, uint32_t index, uint32_t length) const {
    if (!Fits(slot, index, length)) return -1;
    const int position = static_cast<int>(index);
    if (position > slot.highest) {
        const int skipped = position - slot.highest - 1;
        return skipped <= kReorderDepth ? skipped : -1;
    }
    // A hole: the more fragments of higher index came first, the less likely it is this one's.
    int later = 0;
    for (uint32_t i = index + 1; i <= static_cast<uint32_t>(slot.highest); ++i) {
        later += slot.Has(i) ? 1 : 0;
    }
    return later <= kReorderDepth ? later : -1;
}

Reassembler::Slot& Reassembler::OpenSlot(const MessageHeader& header, const DatagramInfo& info) {
    // A free slot, else the oldest completed one, else the oldest message is given up.
    Slot* chosen = nullptr;
    for (Slot& slot : slots_) {
        if (!slot.active && !slot.done) {
            chosen = &slot;
            break;
        }
    }
    for (Slot& slot : slots_) {
        if (chosen != nullptr && !chosen->done) break;
        if (slot.done && (chosen == nullptr || slot.opened < chosen->opened)) chosen = &slot;
    }
    if (chosen == nullptr) {
        // All in use: the oldest message is given up.
        chosen = &slots_[0];
        for (Slot& slot : slots_) {
            if (slot.opened < chosen->opened) chosen = &slot;
        }
        Abandon(*chosen, counters_ != nullptr ? &counters_->messagesAbandoned : nullptr);
    }
    Slot& slot = *chosen;
    slot.active = true;
    slot.done = false;
    slot.type = header.messageType;
    slot.sequence = header.sequence;
    slot.total = header.totalLength;
    slot.fragmentSize = 0;
    slot.received = 0;
    slot.collected = 0;
    slot.highest = -1;
    slot.inOrder = true;
    slot.opened = serial_;
    slot.firstNs = info.arrivalNs;
    slot.lastNs = info.arrivalNs;
    slot.maxGapNs = 0;
    slot.dropValid = info.dropCounterValid;
    slot.dropCounter = info.dropCounter;
    slot.have.fill(0);
    // The memory of a slot only grows, to the largest message it held.
    if (slot.bytes.size() < static_cast<size_t>(header.totalLength)) {
        slot.bytes.reserve(static_cast<size_t>(header.totalLength));
        slot.bytes.resize(static_cast<size_t>(header.totalLength));
    }
    return slot;
}

void Reassembler::Store(Slot& slot, const MessageHeader& header, const uint8_t* body,
                        const DatagramInfo& info) {
    const uint32_t index = header.fragmentIndex;
    if (header.fragmentLength > 0) {
        std::memcpy(slot.bytes.data() + slot.collected, body, header.fragmentLength);
    }
    slot.offset[index] = slot.collected;
    slot.length[index] = header.fragmentLength;
    slot.serial[index] = serial_;
    slot.have[index / 64] |= uint64_t{1} << (index % 64);
    if (index != slot.received) slot.inOrder = false;
    slot.collected += header.fragmentLength;
    ++slot.received;
    slot.highest = std::max(slot.highest, static_cast<int>(index));
    if (index == 0) slot.fragmentSize = header.fragmentLength;
    if (slot.received > 1) slot.maxGapNs = std::max(slot.maxGapNs, info.arrivalNs - slot.lastNs);
    slot.lastNs = std::max(slot.lastNs, info.arrivalNs);
}

bool Reassembler::Complete(Slot& slot, Result* result) {
    if (slot.fragmentSize == 0 || slot.received != FragmentCount(slot.total, slot.fragmentSize)) {
        return false;
    }
    const uint8_t* body = slot.bytes.data();
    if (!slot.inOrder) {
        if (assembly_.size() < static_cast<size_t>(slot.total)) {
            assembly_.reserve(static_cast<size_t>(slot.total));
            assembly_.resize(static_cast<size_t>(slot.total));
        }
        for (uint32_t index = 0; index < slot.received; ++index) {
            std::memcpy(assembly_.data() + static_cast<size_t>(index) * slot.fragmentSize,
                        slot.bytes.data() + slot.offset[index], slot.length[index]);
        }
        body = assembly_.data();
    }
    result->outcome = Outcome::kComplete;
    result->body = body;
    result->length = static_cast<uint32_t>(slot.total);
    result->info.arrivalNs = slot.firstNs;
    Learn(slot.maxGapNs, slot.firstNs);
    slot.active = false;
    slot.done = true;
    // Messages are sent one after another: an older incomplete message with the same type and
    // length can no longer be completed by anything but a fragment of a later message.
    for (Slot& other : slots_) {
        if (other.active && other.opened < slot.opened && other.type == slot.type &&
            other.total == slot.total && other.sequence == slot.sequence) {
            Abandon(other, counters_ != nullptr ? &counters_->messagesAbandoned : nullptr);
        }
    }
    return true;
}

void Reassembler::Learn(int64_t gapNs, int64_t firstNs) {
    gaps_[gapNext_] = std::max<int64_t>(gapNs, 0);
    intervals_[gapNext_] =
        lastCompletedNs_ != 0 ? std::max<int64_t>(firstNs - lastCompletedNs_, 0) : 0;
    lastCompletedNs_ = firstNs;
    gapNext_ = (gapNext_ + 1) % gaps_.size();
    gapCount_ = std::min(gapCount_ + 1, gaps_.size());
}

Reassembler::Result Reassembler::Accept(const uint8_t* datagram, uint32_t length,
                                        const DatagramInfo& info) {
    Result result;
    ++serial_;
    MessageHeader header;
    if (datagram == nullptr || !ParseMessageHeader(datagram, length, &header)) {
        Malformed(&result, kSiteShort, length);
        return result;
    }
    if (length - kMessageHeaderSize != header.fragmentLength) {
        Malformed(&result, kSiteFragmentLength, header.fragmentLength);
        return result;
    }
    if (header.magic != kMessageMagic) {
        Malformed(&result, kSiteMagic, header.magic);
        return result;
    }
    SingleWriterCount* abandoned = counters_ != nullptr ? &counters_->messagesAbandoned : nullptr;
    SingleWriterCount* discarded =
        counters_ != nullptr ? &counters_->messagesKernelDiscarded : nullptr;

    // The kernel dropped datagrams since the last one: every message being collected may have
    // lost fragments to it, and its remaining fragments may come from a later message.
    if (info.dropCounterValid) {
        if (dropBaselineValid_ && info.dropCounter != dropBaseline_ && counters_ != nullptr) {
            counters_->kernelDrops.Add(static_cast<uint32_t>(info.dropCounter - dropBaseline_));
        }
        dropBaselineValid_ = true;
        dropBaseline_ = info.dropCounter;
    }
    const int64_t window = std::max(WindowNs(), windowFloorNs_);
    for (Slot& slot : slots_) {
        if (!slot.active) continue;
        if (info.dropCounterValid && slot.dropValid && slot.dropCounter != info.dropCounter) {
            Abandon(slot, discarded);
        } else if (info.arrivalNs - slot.lastNs > window) {
            Abandon(slot, abandoned);
        }
    }

    const uint8_t* body = datagram + kMessageHeaderSize;
    result.header = header;
    if (static_cast<int64_t>(header.fragmentLength) == header.totalLength) {
        shadowExpected_ = 0;
        shadowType_ = 0;
        shadowCollected_ = 0;
        result.outcome = Outcome::kComplete;
        result.body = body;
        result.length = header.fragmentLength;
        result.info.arrivalNs = info.arrivalNs;
        return result;
    }
    if (ShadowReport(header) != 0) {
        result.reportSite = kSiteFragmentIndex;
        result.reportValue = header.fragmentIndex;
    }

    // Fragments that cannot belong to any message.
    const uint32_t index = header.fragmentIndex;
    const uint32_t fragmentLength = header.fragmentLength;
    if (header.totalLength <= 0 || static_cast<uint32_t>(header.totalLength) > capacity_ ||
        fragmentLength == 0 || static_cast<int64_t>(fragmentLength) > header.totalLength) {
        Malformed(&result, 0, 0);
        return result;
    }
    // A cut into equal pieces puts at least (index + 1) pieces of this length in the message.
    const bool beyondCut = static_cast<int64_t>(index + 1) * fragmentLength > header.totalLength;
    if (index == 0) {
        learnedFragmentSize_ = fragmentLength;
    } else if (beyondCut || (learnedFragmentSize_ != 0 &&
                             index >= FragmentCount(header.totalLength, learnedFragmentSize_))) {
        Malformed(&result, 0, 0);
        return result;
    }

    // Where does it belong? A copy of what a message holds, sent right after the original, is a
    // repeat; otherwise the message expecting exactly this index next; otherwise any repeat;
    // otherwise the message it fits best; otherwise it opens a message of its own.
    Slot* repeatRecent = nullptr;
    Slot* repeatAny = nullptr;
    Slot* best = nullptr;
    int bestScore = -1;
    for (Slot& slot : slots_) {
        if ((!slot.active && !slot.done) || slot.type != header.messageType ||
            slot.sequence != header.sequence || slot.total != header.totalLength) {
            continue;
        }
        if (slot.Has(index)) {
            if (slot.length[index] == fragmentLength &&
                std::memcmp(slot.bytes.data() + slot.offset[index], body, fragmentLength) == 0) {
                if (serial_ - slot.serial[index] <= 1) repeatRecent = &slot;
                if (repeatAny == nullptr || slot.opened > repeatAny->opened) repeatAny = &slot;
            }
            continue;
        }
        if (!slot.active) continue;
        const int score = JoinScore(slot, index, fragmentLength);
        if (score < 0) continue;
        // Equal scores: the newer message, since messages are sent one after another.
        if (best == nullptr || score < bestScore ||
            (score == bestScore && slot.opened > best->opened)) {
            best = &slot;
            bestScore = score;
        }
    }
    Slot* target = nullptr;
    if (repeatRecent != nullptr) {
        if (counters_ != nullptr) counters_->fragmentsRepeated.Add();
        result.outcome = Outcome::kDropped;
        return result;
    }
    if (best != nullptr && bestScore == 0) {
        target = best;
    } else if (repeatAny != nullptr) {
        if (counters_ != nullptr) counters_->fragmentsRepeated.Add();
        result.outcome = Outcome::kDropped;
        return result;
    } else if (best != nullptr) {
        target = best;
    } else {
        target = &OpenSlot(header, info);
    }
    Store(*target, header, body, info);
    if (!Complete(*target, &result)) result.outcome = Outcome::kStored;
    return result;
}

}  // namespace mirav
