#include "platform/Diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace System {
namespace {

std::atomic<int> gVerbosityLevel{kDefaultVerbosityLevel};
std::atomic<MiravMessageCallback> gMessageCallback{nullptr};

struct HeldMessage {
    int level;
    std::string text;
};

// Only trivially destructible thread-local state: thread-local objects with destructors are not
// reliable on every target (mingw-w64 runs them at thread exit in ways that can fault). The held
// list is allocated when a line is first held and freed as soon as it has been delivered.
thread_local int tLibraryLocksHeld = 0;
thread_local std::vector<HeldMessage>* tHeldMessages = nullptr;

void Deliver(int level, char* text) {
    MiravMessageCallback callback = gMessageCallback.load(std::memory_order_acquire);
    if (callback == nullptr) return;
    try {
        callback(level, text);
    } catch (...) {
        // A throwing message callback cannot be told about itself; the line is dropped.
    }
}

int Emit(int level, const char* format, va_list args) {
    if (gVerbosityLevel.load(std::memory_order_relaxed) < level) return 0;
    char buffer[kMessageBufferSize];
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (written < 0) buffer[0] = '\0';
    // vsnprintf already cuts to size - 1 and terminates.
    if (tLibraryLocksHeld > 0) {
        if (gMessageCallback.load(std::memory_order_acquire) == nullptr) return 0;
        try {
            if (tHeldMessages == nullptr) tHeldMessages = new std::vector<HeldMessage>();
            tHeldMessages->push_back(HeldMessage{level, buffer});
        } catch (...) {
            // Out of memory: the line is lost, the caller goes on.
        }
        return 0;
    }
    Deliver(level, buffer);
    return 0;
}

}  // namespace

void SetVerbosityLevel(int level) { gVerbosityLevel.store(level, std::memory_order_relaxed); }

int VerbosityLevel() { return gVerbosityLevel.load(std::memory_order_relaxed); }

void EnterLibraryLock() { ++tLibraryLocksHeld; }

void LeaveLibraryLock() {
    if (tLibraryLocksHeld <= 0 || --tLibraryLocksHeld > 0 || tHeldMessages == nullptr) return;
    // Lines the callback itself raises (it may call the library) queue up anew.
    std::vector<HeldMessage>* held = tHeldMessages;
    tHeldMessages = nullptr;
    for (HeldMessage& message : *held) Deliver(message.level, &message.text[0]);
    delete held;
}

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
