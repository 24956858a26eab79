// Windows body of the synchronisation facility: an unnamed mutex object (recursive for its
// owner) and an unnamed auto-reset event; GetLastError gives the reported error number.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/PlatformSync.h"

namespace System {
namespace Platform {
namespace {

HANDLE AsHandle(PlatformHandle handle) { return static_cast<HANDLE>(handle); }

int LastError() { return static_cast<int>(GetLastError()); }

// WAIT_ABANDONED means the previous owner thread ended while holding the mutex: the calling
// thread owns it now, which is what a lock asks for.
int MapWait(DWORD result, int* syserr) {
    switch (result) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return kPlatformOk;
        case WAIT_TIMEOUT:
            return kPlatformTimedOut;
        default:
            *syserr = LastError();
            return kPlatformFailed;
    }
}

}  // namespace

int MutexCreate(PlatformHandle* handle, int* syserr) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (mutex == nullptr) {
        *syserr = LastError();
        *handle = kInvalidPlatformHandle;
        return kPlatformFailed;
    }
    *handle = mutex;
    return kPlatformOk;
}

int MutexLock(PlatformHandle handle, int* syserr) {
    return MapWait(WaitForSingleObject(AsHandle(handle), INFINITE), syserr);
}

int MutexUnlock(PlatformHandle handle, int* syserr) {
    // ReleaseMutex fails with ERROR_NOT_OWNER when the calling thread does not own the mutex.
    if (!ReleaseMutex(AsHandle(handle))) {
        *syserr = LastError();
        return kPlatformFailed;
    }
    return kPlatformOk;
}

void MutexClose(PlatformHandle handle) { CloseHandle(AsHandle(handle)); }

int EventCreate(PlatformHandle* handle, int* syserr) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) {
        *syserr = LastError();
        *handle = kInvalidPlatformHandle;
        return kPlatformFailed;
    }
    *handle = event;
    return kPlatformOk;
}

int EventSet(PlatformHandle handle, int* syserr) {
    if (!SetEvent(AsHandle(handle))) {
        *syserr = LastError();
        return kPlatformFailed;
    }
    return kPlatformOk;
}

int EventWait(PlatformHandle handle, int32_t milliseconds, int* syserr) {
    // Negative values wait without limit; WaitForSingleObject measures on a monotonic clock.
    const DWORD limit = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    return MapWait(WaitForSingleObject(AsHandle(handle), limit), syserr);
}

void EventClose(PlatformHandle handle) { CloseHandle(AsHandle(handle)); }

}  // namespace Platform
}  // namespace System
