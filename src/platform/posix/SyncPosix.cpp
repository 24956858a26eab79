// POSIX body of the synchronisation facility: a recursive pthread mutex, and an auto-reset event
// built from a mutex, a condition variable on the monotonic clock and a flag. pthread functions
// return their error number instead of setting errno; that number is the one reported.
#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <new>

#include "platform/PlatformSync.h"

namespace System {
namespace Platform {
namespace {

struct PosixMutex {
    pthread_mutex_t mutex;
};

struct PosixEvent {
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    bool set;
};

constexpr long kNanosecondsPerSecond = 1000000000L;

// Absolute monotonic time milliseconds from now; false (with *syserr) if the clock fails.
bool DeadlineAfter(int32_t milliseconds, timespec* deadline, int* syserr) {
    if (clock_gettime(CLOCK_MONOTONIC, deadline) != 0) {
        *syserr = errno;
        return false;
    }
    deadline->tv_sec += milliseconds / 1000;
    deadline->tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline->tv_nsec >= kNanosecondsPerSecond) {
        deadline->tv_sec += 1;
        deadline->tv_nsec -= kNanosecondsPerSecond;
    }
    return true;
}

int InitRecursiveMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    int error = pthread_mutexattr_init(&attributes);
    if (error != 0) return error;
    error = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (error == 0) error = pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return error;
}

int InitMonotonicCondition(pthread_cond_t* condition) {
    pthread_condattr_t attributes;
    int error = pthread_condattr_init(&attributes);
    if (error != 0) return error;
    error = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    if (error == 0) error = pthread_cond_init(condition, &attributes);
    pthread_condattr_destroy(&attributes);
    return error;
}

// Waits on the event's condition until it is set or the deadline (if any) passes. Called and
// returns with the event's mutex held.
int WaitLocked(PosixEvent* event, const timespec* deadline, int* syserr) {
    while (!event->set) {
        int error = deadline == nullptr
                        ? pthread_cond_wait(&event->condition, &event->mutex)
                        : pthread_cond_timedwait(&event->condition, &event->mutex, deadline);
        if (error == ETIMEDOUT) break;
        if (error != 0) {
            *syserr = error;
            return kPlatformFailed;
        }
    }
    if (!event->set) return kPlatformTimedOut;
    event->set = false;
    return kPlatformOk;
}

}  // namespace

int MutexCreate(PlatformHandle* handle, int* syserr) {
    *handle = kInvalidPlatformHandle;
    auto* mutex = new (std::nothrow) PosixMutex;
    if (mutex == nullptr) {
        *syserr = ENOMEM;
        return kPlatformFailed;
    }
    int error = InitRecursiveMutex(&mutex->mutex);
    if (error != 0) {
        delete mutex;
        *syserr = error;
        return kPlatformFailed;
    }
    *handle = mutex;
    return kPlatformOk;
}

int MutexLock(PlatformHandle handle, int* syserr) {
    int error = pthread_mutex_lock(&static_cast<PosixMutex*>(handle)->mutex);
    if (error != 0) {
        *syserr = error;
        return kPlatformFailed;
    }
    return kPlatformOk;
}

int MutexUnlock(PlatformHandle handle, int* syserr) {
    // A recursive mutex checks its owner: another thread's unlock fails with EPERM.
    int error = pthread_mutex_unlock(&static_cast<PosixMutex*>(handle)->mutex);
    if (error != 0) {
        *syserr = error;
        return kPlatformFailed;
    }
    return kPlatformOk;
}

void MutexClose(PlatformHandle handle) {
    auto* mutex = static_cast<PosixMutex*>(handle);
    pthread_mutex_destroy(&mutex->mutex);
    delete mutex;
}

int EventCreate(PlatformHandle* handle, int* syserr) {
    *handle = kInvalidPlatformHandle;
    auto* event = new (std::nothrow) PosixEvent;
    if (event == nullptr) {
        *syserr = ENOMEM;
        return kPlatformFailed;
    }
    event->set = false;
    int error = pthread_mutex_init(&event->mutex, nullptr);
    if (error != 0) {
        delete event;
        *syserr = error;
        return kPlatformFailed;
    }
    error = InitMonotonicCondition(&event->condition);
    if (error != 0) {
        pthread_mutex_destroy(&event->mutex);
        delete event;
        *syserr = error;
        return kPlatformFailed;
    }
    *handle = event;
    return kPlatformOk;
}

int EventSet(PlatformHandle handle, int* syserr) {
    auto* event = static_cast<PosixEvent*>(handle);
    int error = pthread_mutex_lock(&event->mutex);
    if (error != 0) {
        *syserr = error;
        return kPlatformFailed;
    }
    event->set = true;
    // One waiter is enough: whoever consumes the flag clears it, the others keep waiting.
    error = pthread_cond_signal(&event->condition);
    pthread_mutex_unlock(&event->mutex);
    if (error != 0) {
        *syserr = error;
        return kPlatformFailed;
    }
    return kPlatformOk;
}

int EventWait(PlatformHandle handle, int32_t milliseconds, int* syserr) {
    auto* event = static_cast<PosixEvent*>(handle);
    timespec deadline{};
    if (milliseconds >= 0 && !DeadlineAfter(milliseconds, &deadline, syserr)) {
        return kPlatformFailed;
    }
    int error = pthread_mutex_lock(&event->mutex);
    if (error != 0) {
        *syserr = error;
        return kPlatformFailed;
    }
    int result = WaitLocked(event, milliseconds >= 0 ? &deadline : nullptr, syserr);
    pthread_mutex_unlock(&event->mutex);
    return result;
}

void EventClose(PlatformHandle handle) {
    auto* event = static_cast<PosixEvent*>(handle);
    pthread_cond_destroy(&event->condition);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

}  // namespace Platform
}  // namespace System
