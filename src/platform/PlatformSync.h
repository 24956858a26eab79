// Platform facility behind CMutex and CSignal. The portable code in Sync.cpp checks state,
// reports failures and maps results; one body per operating system (posix/, win32/) implements
// these functions and nothing else.
//
// Contract shared by every function:
// - Results are kPlatformOk (0), kPlatformFailed (1) or, for waits only, kPlatformTimedOut (9).
// - On kPlatformFailed, *syserr holds the operating system's error number, read immediately
//   after the failing call (POSIX: errno or the error a pthread function returned; Windows:
//   GetLastError()). On any other result *syserr is left unchanged.
// - Handles are opaque; kInvalidPlatformHandle is never a valid handle. A function given a
//   handle it did not create, or one already closed, has undefined behaviour: the portable code
//   never does that.
// - No function throws and none writes diagnostics.
#ifndef MIRAV_PLATFORM_PLATFORMSYNC_H
#define MIRAV_PLATFORM_PLATFORMSYNC_H

#include <cstdint>

#include "platform/Sync.h"

namespace System {
namespace Platform {

constexpr int kPlatformOk = 0;
constexpr int kPlatformFailed = 1;
constexpr int kPlatformTimedOut = 9;
constexpr PlatformHandle kInvalidPlatformHandle = nullptr;

// Creates an unnamed, process-private mutex, not owned by anyone, recursive for its owner.
// On success stores the handle in *handle; on failure stores kInvalidPlatformHandle.
int MutexCreate(PlatformHandle* handle, int* syserr);

// Acquires the mutex without time limit. kPlatformOk when acquired (also again by its owner);
// kPlatformTimedOut if the platform reports a time-out; kPlatformFailed otherwise.
int MutexLock(PlatformHandle handle, int* syserr);

// Releases one level of ownership. Fails when the calling thread does not own the mutex.
int MutexUnlock(PlatformHandle handle, int* syserr);

// Destroys the mutex. It must not be owned or waited on by any thread.
void MutexClose(PlatformHandle handle);

// Creates an unnamed, process-private auto-reset event, initially not set.
// On success stores the handle in *handle; on failure stores kInvalidPlatformHandle.
int EventCreate(PlatformHandle* handle, int* syserr);

// Sets the event. If threads are waiting, exactly one of them is released and the event is
// cleared again; otherwise it stays set until the next wait consumes it. Setting a set event
// changes nothing (no counting).
int EventSet(PlatformHandle handle, int* syserr);

// Waits until the event is set, consuming the setting, or until milliseconds have passed on a
// monotonic clock. A negative value waits without limit; 0 only tests. kPlatformOk when the
// event was consumed, kPlatformTimedOut when the time passed first, kPlatformFailed otherwise.
int EventWait(PlatformHandle handle, int32_t milliseconds, int* syserr);

// Destroys the event. No thread may be waiting on it.
void EventClose(PlatformHandle handle);

}  // namespace Platform
}  // namespace System

#endif
