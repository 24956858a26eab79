// Locks and events over the operating system's kernel objects. Every operation reports its
// failures through the diagnostics and returns 0 (success), 1 (failure) or 9 (wait timed out).
#ifndef MIRAV_PLATFORM_SYNC_H
#define MIRAV_PLATFORM_SYNC_H

#include <cstdint>
#include <list>

namespace System {

constexpr int kResultOk = 0;
constexpr int kResultFailed = 1;
constexpr int kResultTimedOut = 9;
constexpr int kWaitForever = -1;

// Opaque handle of a platform object; the platform body defines what it points to.
using PlatformHandle = void*;

// A recursive lock. Construction creates nothing; the owner calls Create and, at the end, Dispose.
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

// Holds a CMutex for the lifetime of a scope.
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
class CSignal {
public:
    CSignal();
    virtual ~CSignal();
    CSignal(const CSignal&) = delete;
    CSignal& operator=(const CSignal&) = delete;

    int Create();
    int Set();
    int Wait(int32_t milliseconds);  // kWaitForever waits without limit
    int Dispose();
    bool IsCreated() const { return created_; }

private:
    PlatformHandle handle_;
    bool created_;
};

// An event tagged with the sequence number of the request waiting on it (0: not in use).
class CSequenceEvent {
public:
    CSequenceEvent() = default;
    virtual ~CSequenceEvent() = default;
    virtual CSequenceEvent* Self() { return this; }

    int32_t sequence = 0;
    CSignal event;
};

// The sequence events of one channel: requesters wait on them, the receive thread signals them.
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

private:
    std::list<CSequenceEvent*> events_;
    CMutex lock_;
};

}  // namespace System

#endif
