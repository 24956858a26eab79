// Win32 body: a fiber-local slot whose callback detaches the ending thread.
#include <windows.h>

#include <mutex>

#include "ThreadExit.h"

namespace mirav::jni {
namespace {

DWORD slot = FLS_OUT_OF_INDEXES;
std::once_flag slotOnce;

void WINAPI Detach(void* value) {
    if (value != nullptr) {
        static_cast<JavaVM*>(value)->DetachCurrentThread();
    }
}

}  // namespace

bool DetachAtThreadExit(JavaVM* vm) {
    std::call_once(slotOnce, [] { slot = FlsAlloc(&Detach); });
    return slot != FLS_OUT_OF_INDEXES && FlsSetValue(slot, vm) != 0;
}

}  // namespace mirav::jni
