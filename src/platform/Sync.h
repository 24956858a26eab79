// Locks and events over the operating system's kernel objects. Every operation reports its
// failures through the diagnostics and returns 0 (success), 1 (failure) or 9 (wait timed out).
#ifndef MIRAV_PLATFORM_SYNC_H
#define MIRAV_PLATFORM_SYNC_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>

namespace System {

constexpr int kResultOk = 0;
constexpr int kResultFailed = 1;
constexpr int kResultTimedOut = 9;
constexpr int kWaitForever = -1;

// Opaque handle of a platform object; the platform body defines what it points to.
using PlatformHandle = void*;

// A recursive lock. Construction creates nothing; the owner calls Create and, at the end, Dispose.
// Destruction releases a platform object the owner forgot to dispose of.
class CMutex {
public:
    CMutex();
    virtual ~CMutex();
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    int Create();
    int Lock();
    int Unlock();
    int Dispose();
    bool IsCreated() const { return created_; }

private:
    PlatformHandle handle_;
    bool created_;
};

// Holds a CMutex for the lifetime of a scope. On a mutex that is not created the failures are
// reported and the scope runs unprotected.
class CGuard {
public:
    explicit CGuard(CMutex& mutex);
    virtual ~CGuard();
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    CMutex* mutex_;
};

// An auto-reset event: Set releases one waiter (or the next Wait) and clears itself.
// Destruction releases a platform object the owner forgot to dispose of.
class CSignal {
public:
    CSignal();
    virtual ~CSignal();
    CSignal(const CSignal&) = delete;
    CSignal& operator=(const CSignal&) = delete;

    int Create();
    int Set();
    int Wait(int32_t milliseconds);  // any negative value (kWaitForever) waits without limit
    int Dispose();
    bool IsCreated() const { return created_; }

private:
    PlatformHandle handle_;
    bool created_;
};

// An event tagged with the sequence number of the request waiting on it (0: not in use).
// Both fields are read and written only under the owning set's lock.
class CSequenceEvent {
public:
    CSequenceEvent() = default;
    virtual ~CSequenceEvent() = default;
    virtual CSequenceEvent* Self() { return this; }

    int32_t sequence = 0;
    CSignal event;
};

// The sequence events of one channel: requesters wait on them, the receive thread signals them.
// A waiter keeps its event alive while it waits, so removing or shutting down never frees an
// event under a thread that is still waking from it. The lock lives from the first Open until
// destruction, so a late call racing with Shutdown still finds a valid lock.
class CSequenceEventSet {
public:
    CSequenceEventSet() = default;
    virtual ~CSequenceEventSet();
    CSequenceEventSet(const CSequenceEventSet&) = delete;
    CSequenceEventSet& operator=(const CSequenceEventSet&) = delete;
    virtual CSequenceEventSet* Self() { return this; }

    int Open();
    int Add(int32_t sequence);
    int Remove(int32_t sequence);
    int Signal(int32_t sequence);
    int SignalAll();
    int Wait(int32_t sequence, int32_t milliseconds);
    int Shutdown();
    std::size_t Count();  // number of events in the set

private:
    using EventPtr = std::shared_ptr<CSequenceEvent>;

    std::list<EventPtr>::iterator Find(int32_t sequence);
    void ClearAll();
    static void Clear(CSequenceEvent& event);

    std::list<EventPtr> events_;
    CMutex lock_;
};

}  // namespace System

#endif
