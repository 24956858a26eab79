// The process-wide library object: created on first use, destroyed at process exit.
#ifndef MIRAV_STORE_GLOBAL_OBJECT_H
#define MIRAV_STORE_GLOBAL_OBJECT_H

#include <atomic>
#include <cstdint>

#include "platform/PlatformResource.h"
#include "platform/SocketFacade.h"
#include "store/FrameStore.h"

class CGlobalObject {
public:
    static CGlobalObject& Instance();

    virtual ~CGlobalObject();
    CGlobalObject(const CGlobalObject&) = delete;
    CGlobalObject& operator=(const CGlobalObject&) = delete;

    System::CPlatformResource& Platform() { return platformResource_; }
    System::CSocketFacade& Facade() { return socketFacade_; }
    FrameStore& Store() { return frameStore_; }

    // The server's four protocol version bytes (first byte in the low byte); 0 until a connect.
    uint32_t ServerVersion() const { return serverVersion_.load(std::memory_order_acquire); }
    const std::atomic<uint32_t>& ServerVersionValue() const { return serverVersion_; }
    void SetServerVersion(uint32_t version) {
        serverVersion_.store(version, std::memory_order_release);
    }

private:
    CGlobalObject();

    System::CPlatformResource platformResource_;
    System::CSocketFacade socketFacade_;
    FrameStore frameStore_;
    std::atomic<uint32_t> serverVersion_{0};
};

#endif
