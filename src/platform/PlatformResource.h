// Starts the operating system's socket library once per process; it is never shut down.
#ifndef MIRAV_PLATFORM_PLATFORM_RESOURCE_H
#define MIRAV_PLATFORM_PLATFORM_RESOURCE_H

#include <atomic>

namespace System {

class CPlatformResource {
public:
    CPlatformResource() = default;
    virtual ~CPlatformResource() = default;
    virtual CPlatformResource* Self() { return this; }

    // 0 when this call started the library; 1 (with "Already Initialized") when it was started.
    int Startup();
    bool IsStarted() const { return started_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> started_{false};
};

}  // namespace System

#endif
