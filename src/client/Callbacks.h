// Application callbacks: one process-wide function slot per kind, shared by every client, and
// per channel a map from kind to the registering client's context pointer.
#ifndef MIRAV_CLIENT_CALLBACKS_H
#define MIRAV_CLIENT_CALLBACKS_H

#include <atomic>
#include <map>
#include <mutex>

#include "mirav/MiravTypes.h"
#include "platform/Diagnostics.h"

namespace mirav {

enum CallbackKind : int32_t {
    kCallbackData = 1,
    kCallbackForcePlate = 2,
    kCallbackNotify = 3,
    kCallbackAnalog = 4,
};

// The process-wide function slots; a null function switches a kind off.
struct CallbackSlots {
    static CallbackSlots& Instance();

    std::atomic<MiravDataCallback> data{nullptr};
    std::atomic<MiravForcePlateCallback> forcePlate{nullptr};
    std::atomic<MiravNotifyMsgCallback> notify{nullptr};
    std::atomic<MiravAnalogChCallback> analog{nullptr};
};

// Site reported when an application callback throws.
constexpr int kSiteCallbackThrew = 902;

// Runs an application callback on a library thread. An exception thrown by the callback is
// caught and reported here: it must neither end the process nor skip the library's own work
// after the call (the frame still goes to the store).
template <class Callback, class... Args>
void InvokeCallback(Callback callback, Args... args) noexcept {
    try {
        callback(args...);
    } catch (...) {
        System::ReportFailed(kSiteCallbackThrew);
    }
}

// Context pointers of one channel. Setters insert while receive threads read, so both go
// through a lock of the map's own; no lock is held while a callback runs.
class CallbackContexts {
public:
    void Set(int32_t kind, void* context);
    void* Get(int32_t kind) const;  // null for a kind with no entry
    void Clear();

private:
    mutable std::mutex lock_;
    std::map<int32_t, void*> contexts_;
};

}  // namespace mirav

#endif
