#include "platform/Diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace System {
namespace {

std::atomic<int> gVerbosityLevel{kDefaultVerbosityLevel};
std::atomic<MiravMessageCallback> gMessageCallback{nullptr};

int Emit(int level, const char* format, va_list args) {
    if (gVerbosityLevel.load(std::memory_order_relaxed) < level) return 0;
    char buffer[kMessageBufferSize];
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (written < 0) buffer[0] = '\0';
    // vsnprintf already cuts to size - 1 and terminates.
    MiravMessageCallback callback = gMessageCallback.load(std::memory_order_acquire);
    if (callback != nullptr) callback(level, buffer);
    return 0;
}

}  // namespace

void SetVerbosityLevel(int level) { gVerbosityLevel.store(level, std::memory_order_relaxed); }

int VerbosityLevel() { return gVerbosityLevel.load(std::memory_order_relaxed); }

void SetMessageCallback(MiravMessageCallback callback) {
    gMessageCallback.store(callback, std::memory_order_release);
}

#define MIRAV_DEFINE_EMIT(name, level)            \
    int name(const char* format, ...) {           \
        if (VerbosityLevel() < (level)) return 0; \
        va_list args;                             \
        va_start(args, format);                   \
        int result = Emit((level), format, args); \
        va_end(args);                             \
        return result;                            \
    }

MIRAV_DEFINE_EMIT(EmitLevel1, 1)
MIRAV_DEFINE_EMIT(EmitLevel2, 2)
MIRAV_DEFINE_EMIT(EmitLevel3, 3)
#undef MIRAV_DEFINE_EMIT

void ReportFailed(int site) { EmitLevel1("[MiravSDKClient] %d %s.\n", site, "Failed"); }

void ReportWarning(int site) { EmitLevel1("[MiravSDKClient] %d %s.\n", site, "Warning"); }

void ReportSysError(int site, int syserr) {
    EmitLevel3("[MiravSDKClient] %d Failed syserr:%d\n", site, syserr);
}

void ReportValueSysError(int site, long long value, int syserr) {
    EmitLevel3("[MiravSDKClient] %d Failed:%lld syserr:%d\n", site, value, syserr);
}

}  // namespace System
