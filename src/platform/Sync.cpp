// Portable part of the locks and events: state checks, result mapping and diagnostics. The
// operating-system calls are behind PlatformSync.h.
#include "platform/Sync.h"

#include <new>

#include "platform/Diagnostics.h"
#include "platform/PlatformSync.h"

namespace System {
namespace {

// Reporting sites of CMutex.
constexpr int kSiteMutexCreatedTwice = 34;
constexpr int kSiteMutexCreate = 39;
constexpr int kSiteMutexLockUncreated = 63;
constexpr int kSiteMutexLock = 76;
constexpr int kSiteMutexUnlockUncreated = 107;
constexpr int kSiteMutexUnlock = 112;

// Reporting sites of CSignal.
constexpr int kSiteSignalCreatedTwice = 31;
constexpr int kSiteSignalCreate = 37;
constexpr int kSiteSignalSetUncreated = 61;
constexpr int kSiteSignalSet = 66;
constexpr int kSiteSignalWaitUncreated = 77;
constexpr int kSiteSignalWait = 90;

// Reporting sites of the sequence events.
constexpr int kSiteEventClearedTwice = 66;
constexpr int kSiteSignalUnusedEvent = 104;
constexpr int kSiteWaitUnusedEvent = 123;

// Platform results are the same numbers as the class results.
static_assert(Platform::kPlatformOk == kResultOk, "result codes differ");
static_assert(Platform::kPlatformFailed == kResultFailed, "result codes differ");
static_assert(Platform::kPlatformTimedOut == kResultTimedOut, "result codes differ");

}  // namespace

CMutex::CMutex() : handle_(Platform::kInvalidPlatformHandle), created_(false) {}

CMutex::~CMutex() { Dispose(); }

int CMutex::Create() {
    if (created_) {
        // Replacing the object would leak it and split its users between two locks.
        ReportWarning(kSiteMutexCreatedTwice);
        return kResultOk;
    }
    int syserr = 0;
    if (Platform::MutexCreate(&handle_, &syserr) != Platform::kPlatformOk) {
        ReportSysError(kSiteMutexCreate, syserr);
        return kResultFailed;
    }
    created_ = true;
    return kResultOk;
}

int CMutex::Lock() {
    if (!created_) {
        ReportFailed(kSiteMutexLockUncreated);
        return kResultFailed;
    }
    int syserr = 0;
    int result = Platform::MutexLock(handle_, &syserr);
    if (result == Platform::kPlatformOk) EnterLibraryLock();
    if (result == Platform::kPlatformFailed) ReportSysError(kSiteMutexLock, syserr);
    return result;
}

int CMutex::Unlock() {
    if (!created_) {
        ReportFailed(kSiteMutexUnlockUncreated);
        return kResultFailed;
    }
    int syserr = 0;
    if (Platform::MutexUnlock(handle_, &syserr) != Platform::kPlatformOk) {
        ReportSysError(kSiteMutexUnlock, syserr);
        return kResultFailed;
    }
    LeaveLibraryLock();
    return kResultOk;
}

int CMutex::Dispose() {
    if (created_ && handle_ != Platform::kInvalidPlatformHandle) {
        created_ = false;
        Platform::MutexClose(handle_);
        handle_ = Platform::kInvalidPlatformHandle;
    }
    return kResultOk;
}

CGuard::CGuard(CMutex& mutex) : mutex_(&mutex) { mutex_->Lock(); }

CGuard::~CGuard() {
    mutex_->Unlock();
    mutex_ = nullptr;
}

CSignal::CSignal() : handle_(Platform::kInvalidPlatformHandle), created_(false) {}

CSignal::~CSignal() { Dispose(); }

int CSignal::Create() {
    if (created_) {
        // Replacing the event would strand the threads already waiting on it.
        ReportWarning(kSiteSignalCreatedTwice);
        return kResultOk;
    }
    int syserr = 0;
    if (Platform::EventCreate(&handle_, &syserr) != Platform::kPlatformOk) {
        handle_ = Platform::kInvalidPlatformHandle;
        ReportSysError(kSiteSignalCreate, syserr);
        return kResultFailed;
    }
    created_ = true;
    return kResultOk;
}

int CSignal::Set() {
    if (!created_) {
        ReportFailed(kSiteSignalSetUncreated);
        return kResultFailed;
    }
    int syserr = 0;
    if (Platform::EventSet(handle_, &syserr) != Platform::kPlatformOk) {
        ReportSysError(kSiteSignalSet, syserr);
        return kResultFailed;
    }
    return kResultOk;
}

int CSignal::Wait(int32_t milliseconds) {
    if (!created_) {
        ReportFailed(kSiteSignalWaitUncreated);
        return kResultFailed;
    }
    int syserr = 0;
    int result = Platform::EventWait(handle_, milliseconds, &syserr);
    if (result == Platform::kPlatformFailed) ReportSysError(kSiteSignalWait, syserr);
    return result;
}

int CSignal::Dispose() {
    if (created_) {
        created_ = false;
        Platform::EventClose(handle_);
        handle_ = Platform::kInvalidPlatformHandle;
    }
    return kResultOk;
}

// Sequence events: the set's lock guards the list and the events' numbers; no wait ever
// happens while it is held.

CSequenceEventSet::~CSequenceEventSet() {
    events_.clear();
    lock_.Dispose();
}

int CSequenceEventSet::Open() {
    // The lock is kept over Shutdown (see the class comment); a reopened set reuses it.
    if (!lock_.IsCreated() && lock_.Create() != kResultOk) return kResultFailed;
    CGuard guard(lock_);
    ClearAll();
    return kResultOk;
}

int CSequenceEventSet::Add(int32_t sequence) {
    EventPtr event(new (std::nothrow) CSequenceEvent);
    if (!event || event->event.Create() != kResultOk) return kResultFailed;
    event->sequence = sequence;
    CGuard guard(lock_);
    events_.push_back(std::move(event));
    return kResultOk;
}

int CSequenceEventSet::Remove(int32_t sequence) {
    CGuard guard(lock_);
    auto found = Find(sequence);
    if (found == events_.end()) return kResultFailed;
    Clear(**found);
    events_.erase(found);
    return kResultOk;
}

int CSequenceEventSet::Signal(int32_t sequence) {
    // The event is set while the lock is held, so a concurrent Remove or Shutdown cannot free
    // it in between; setting never blocks.
    CGuard guard(lock_);
    auto found = Find(sequence);
    if (found == events_.end()) return kResultFailed;
    if ((*found)->sequence == 0) {
        ReportFailed(kSiteSignalUnusedEvent);
        return kResultFailed;
    }
    return (*found)->event.Set();
}

int CSequenceEventSet::SignalAll() {
    CGuard guard(lock_);
    for (const EventPtr& event : events_) {
        if (event->sequence == 0) {
            ReportFailed(kSiteSignalUnusedEvent);
            continue;
        }
        event->event.Set();
    }
    return kResultOk;
}

int CSequenceEventSet::Wait(int32_t sequence, int32_t milliseconds) {
    EventPtr event;
    {
        CGuard guard(lock_);
        auto found = Find(sequence);
        if (found == events_.end()) return kResultFailed;
        if ((*found)->sequence == 0) {
            ReportFailed(kSiteWaitUnusedEvent);
            return kResultFailed;
        }
        event = *found;  // keeps the event alive until this wait is over
    }
    // A Remove or Shutdown from now on sets the signal before dropping the event, so this wait
    // ends at once instead of blocking on a forgotten event.
    return event->event.Wait(milliseconds);
}

int CSequenceEventSet::Shutdown() {
    lock_.Lock();
    ClearAll();
    lock_.Unlock();
    return kResultOk;
}

std::size_t CSequenceEventSet::Count() {
    CGuard guard(lock_);
    return events_.size();
}

std::list<CSequenceEventSet::EventPtr>::iterator CSequenceEventSet::Find(int32_t sequence) {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if ((*it)->sequence == sequence) return it;
    }
    return events_.end();
}

void CSequenceEventSet::ClearAll() {
    for (const EventPtr& event : events_) Clear(*event);
    events_.clear();
}

// Releases any waiter of the event and marks it unused. Its signal is disposed of with the
// event itself, when the set and every waiter have let go of it.
void CSequenceEventSet::Clear(CSequenceEvent& event) {
    if (event.sequence == 0) {
        ReportFailed(kSiteEventClearedTwice);
        return;
    }
    event.sequence = 0;
    event.event.Set();
}

}  // namespace System
