// Monotonic time and sleeping for the library's threads. One body per operating system.
#ifndef MIRAV_PLATFORM_CLOCK_H
#define MIRAV_PLATFORM_CLOCK_H

#include <chrono>
#include <cstdint>

namespace System {

// Milliseconds on a monotonic clock from an arbitrary fixed start; never goes backwards and
// does not follow changes of the wall clock. Differences of two readings are elapsed times.
uint64_t TickCountMs();

// Nanoseconds of std::chrono::steady_clock (CLOCK_MONOTONIC on Linux, the performance counter
// on Windows): the host clock in which receive times and capture times are given.
inline int64_t MonotonicNs() {
    return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count());
}

// Blocks the calling thread for at least milliseconds (0 only yields). Interrupted sleeps are
// resumed for the remaining time.
void SleepMs(uint32_t milliseconds);

}  // namespace System

#endif
