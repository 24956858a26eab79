#include "store/FrameStore.h"

#include <cstring>

#include "protocol/FrameDecoder.h"
#include "records/DescriptionMemory.h"
#include "records/FrameMemory.h"
#include "records/ReusableRecord.h"
#include "store/DescriptionIndexes.h"
#include "store/FrameIndexes.h"

FrameStore::FrameStore()
    : descriptionIndexes_(new mirav::DescriptionIndexes),
      current_(*mirav::AllocateZeroedRecord()),
      currentArrays_(new mirav::ReusableRecord(current_)),
      frameIndexes_(new mirav::FrameIndexes) {
    frameLock_.Create();
    descriptionLock_.Create();
}

// Runs at process exit (or when a private store ends): pending frames, the current record's
// arrays and the cached descriptions are released.
FrameStore::~FrameStore() {
    pending_.clear();
    // Arrays released behind the store (an emptied record) are not released twice.
    currentArrays_.reset();
    mirav::ReleaseZeroedRecord(&current_);
    if (descriptions_ != nullptr) mirav::ReleaseDescriptionSet(descriptions_);
    descriptions_ = nullptr;
    frameLock_.Dispose();
    descriptionLock_.Dispose();
}

void FrameStore::PushFrame(const sFrameOfMocapData& frame) {
    // Packed before the lock is taken; a dropped frame is released after it is given back.
    mirav::CompactFrame packed = mirav::CompactFrame::Pack(frame);
    mirav::CompactFrame dropped;
    System::CGuard guard(frameLock_);
    pending_.push_back(std::move(packed));
    if (pending_.size() > pendingLimit_) {
        dropped = std::move(pending_.front());
        pending_.pop_front();
    }
}

void FrameStore::PushFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) return;
    try {
        PushFrame(*frame);
    } catch (...) {
        mirav::ReleaseDecodedFrame(frame);
        throw;
    }
    mirav::ReleaseDecodedFrame(frame);
}

bool FrameStore::SetQueueCapacity(size_t frames) {
    if (frames < 1 || frames > kMaxPendingFrames) return false;
    std::deque<mirav::CompactFrame> dropped;
    {
        System::CGuard guard(frameLock_);
        pendingLimit_ = frames;
        while (pending_.size() > pendingLimit_) {
            dropped.push_back(std::move(pending_.front()));
            pending_.pop_front();
        }
    }
    // Released after the lock, like every frame the queue drops.
    return true;
}

size_t FrameStore::QueueCapacity() {
    System::CGuard guard(frameLock_);
    return pendingLimit_;
}

sFrameOfMocapData* FrameStore::TakeFrame() {
    // Declared before the guard: the taken frame is released after the lock is given back.
    mirav::CompactFrame taken;
    System::CGuard guard(frameLock_);
    if (pending_.empty()) {
        return mirav::FrameHasContent(current_) ? &current_ : nullptr;
    }
    frameIndexes_->Clear();
    taken = std::move(pending_.front());
    pending_.pop_front();
    try {
        // Only what the previous current frame used is cleared; its arrays are reused.
        currentArrays_->Clear();
        currentOwnsArrays_ = false;
        taken.Unpack(*currentArrays_);
        frameIndexes_->Build(current_);
    } catch (...) {
        frameIndexes_->Clear();
        ReleaseCurrentFrame();
        throw;
    }
    currentOwnsArrays_ = mirav::FrameHasContent(current_);
    return &current_;
}

void FrameStore::ReleaseCurrentFrame() {
    currentArrays_->ReleaseArrays();
    currentOwnsArrays_ = false;
}

// The current record's arrays may be released behind the store by Solvanta_FreeFrame, which
// acts only on a record with content and then zeroes all of it. So a record that had content
// when it was taken and has none now was emptied that way: its frame indexes point into
// released arrays and are dropped, and the record counts as holding no frame. The check costs
// four comparisons per call and needs no cooperation from the utility.
void FrameStore::ForgetEmptiedRecord() {
    if (currentOwnsArrays_ && !mirav::FrameHasContent(current_) &&
        current_.otherMarkers == nullptr) {
        frameIndexes_->Clear();
        currentOwnsArrays_ = false;
    }
}
