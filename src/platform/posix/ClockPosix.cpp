// POSIX body of the clock: the steady clock, which is CLOCK_MONOTONIC.
#include <chrono>
#include <thread>

#include "platform/Clock.h"

namespace System {

uint64_t TickCountMs() {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void SleepMs(uint32_t milliseconds) {
    // sleep_for resumes after signals until the full time has passed.
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace System
