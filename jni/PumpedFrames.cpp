// Pump, frame choice and release of pumped frames.
#include "PumpedFrames.h"

#include <map>

namespace mirav::jni {
namespace {

std::mutex pumpedFrameLock;
std::map<jlong, sFrameOfMocapData*> pumpedFrames;

}  // namespace

std::unique_lock<std::mutex> LockFrames() { return std::unique_lock<std::mutex>(pumpedFrameLock); }

bool PumpFrame(MiravSDKClient* client, jlong handle) {
    sFrameOfMocapData*& entry = pumpedFrames[handle];
    // Emptying the current frame first makes the next request advance by exactly one frame
    // instead of handing the same frame back again.
    if (entry != nullptr) {
        Solvanta_FreeFrame(entry);
        entry = nullptr;
    }
    entry = client->GetLastFrameOfMocapData();
    return entry != nullptr;
}

sFrameOfMocapData* ChooseFrame(MiravSDKClient* client, jlong handle) {
    auto found = pumpedFrames.find(handle);
    if (found != pumpedFrames.end() && found->second != nullptr) {
        return found->second;
    }
    return client->GetLastFrameOfMocapData();
}

void ForgetPumpedFrame(jlong handle) {
    std::lock_guard<std::mutex> lock(pumpedFrameLock);
    auto found = pumpedFrames.find(handle);
    if (found == pumpedFrames.end()) {
        return;
    }
    if (found->second != nullptr) {
        Solvanta_FreeFrame(found->second);
    }
    pumpedFrames.erase(found);
}

}  // namespace mirav::jni
