// Windows body of the clock: the performance counter, which is monotonic and unaffected by
// changes of the wall clock, with GetTickCount64 as the fallback; Sleep for pauses.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/Clock.h"

namespace System {
namespace {

// The counter's frequency is fixed at boot; 0 when the counter is unavailable.
uint64_t CounterFrequency() {
    static const uint64_t frequency = [] {
        LARGE_INTEGER value;
        return QueryPerformanceFrequency(&value) && value.QuadPart > 0
                   ? static_cast<uint64_t>(value.QuadPart)
                   : uint64_t{0};
    }();
    return frequency;
}

}  // namespace

uint64_t TickCountMs() {
    const uint64_t frequency = CounterFrequency();
    LARGE_INTEGER counter;
    if (frequency == 0 || !QueryPerformanceCounter(&counter)) return GetTickCount64();
    const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    // Whole seconds and the remainder separately, so ticks * 1000 cannot overflow.
    return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

void SleepMs(uint32_t milliseconds) {
    // Sleep(0) gives up the rest of the time slice, like a yield. Sleep may return up to one
    // timer tick early on some systems, so the full time is checked against the clock.
    if (milliseconds == 0) {
        Sleep(0);
        return;
    }
    const uint64_t end = TickCountMs() + milliseconds;
    for (uint64_t now = TickCountMs(); now < end; now = TickCountMs()) {
        Sleep(static_cast<DWORD>(end - now));
    }
}

}  // namespace System
