// Monotonic time and sleeping for the library's threads. One body per operating system.
#ifndef MIRAV_PLATFORM_CLOCK_H
#define MIRAV_PLATFORM_CLOCK_H

#include <cstdint>

namespace System {

// Milliseconds on a monotonic clock from an arbitrary fixed start; never goes backwards and
// does not follow changes of the wall clock. Differences of two readings are elapsed times.
uint64_t TickCountMs();

// Blocks the calling thread for at least milliseconds (0 only yields). Interrupted sleeps are
// resumed for the remaining time.
void SleepMs(uint32_t milliseconds);

}  // namespace System

#endif
