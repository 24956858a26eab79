#include "store/FrameStore.h"

#include <cstring>

#include "protocol/FrameDecoder.h"
#include "records/DescriptionMemory.h"
#include "records/FrameMemory.h"
#include "store/DescriptionIndexes.h"
#include "store/FrameIndexes.h"

namespace {

// Owns a frame removed from the queue until the end of the scope. Declared before the guard of
// the frame lock, it releases the frame after the lock has been released.
class RemovedFrame {
public:
    RemovedFrame() = default;
    RemovedFrame(const RemovedFrame&) = delete;
    RemovedFrame& operator=(const RemovedFrame&) = delete;
    ~RemovedFrame() { mirav::ReleaseDecodedFrame(frame_); }

    void Reset(sFrameOfMocapData* frame) {
        mirav::ReleaseDecodedFrame(frame_);
        frame_ = frame;
    }
    const sFrameOfMocapData& operator*() const { return *frame_; }

private:
    sFrameOfMocapData* frame_ = nullptr;
};

}  // namespace

FrameStore::FrameStore()
    : descriptionIndexes_(new mirav::DescriptionIndexes), frameIndexes_(new mirav::FrameIndexes) {
    std::memset(static_cast<void*>(&current_), 0, sizeof(current_));
    frameLock_.Create();
    descriptionLock_.Create();
}

// Runs at process exit (or when a private store ends): pending frames, the current record's
// arrays and the cached descriptions are released.
FrameStore::~FrameStore() {
    for (sFrameOfMocapData* frame : pending_) mirav::ReleaseDecodedFrame(frame);
    pending_.clear();
    // An emptied record has zero counts and null pointers, so nothing is released twice.
    ReleaseCurrentFrame();
    if (descriptions_ != nullptr) mirav::ReleaseDescriptionSet(descriptions_);
    descriptions_ = nullptr;
    frameLock_.Dispose();
    descriptionLock_.Dispose();
}

void FrameStore::PushFrame(sFrameOfMocapData* frame) {
    if (frame == nullptr) return;
    RemovedFrame dropped;
    System::CGuard guard(frameLock_);
    pending_.push_back(frame);
    if (pending_.size() > capacity_) {
        dropped.Reset(pending_.front());
        pending_.pop_front();
    }
}

bool FrameStore::SetQueueCapacity(size_t frames) {
    if (frames < 1 || frames > kMaxPendingFrames) return false;
    std::deque<sFrameOfMocapData*> dropped;
    {
        System::CGuard guard(frameLock_);
        capacity_ = frames;
        while (pending_.size() > capacity_) {
            dropped.push_back(pending_.front());
            pending_.pop_front();
        }
    }
    // Released after the lock, like every frame the queue drops.
    for (sFrameOfMocapData* frame : dropped) mirav::ReleaseDecodedFrame(frame);
    return true;
}

size_t FrameStore::QueueCapacity() {
    System::CGuard guard(frameLock_);
    return capacity_;
}

sFrameOfMocapData* FrameStore::TakeFrame() {
    RemovedFrame taken;
    System::CGuard guard(frameLock_);
    if (pending_.empty()) {
        return mirav::FrameHasContent(current_) ? &current_ : nullptr;
    }
    frameIndexes_->Clear();
    // The copy below overwrites the whole record, so it is not zeroed first.
    mirav::ReleaseRecordArrays(current_);
    currentOwnsArrays_ = false;
    taken.Reset(pending_.front());
    pending_.pop_front();
    try {
        mirav::CopyFrameIntoRecord(*taken, current_);
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
    mirav::ReleaseRecordArrays(current_);
    mirav::ClearRecord(current_);
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
