// Shared pieces of the native methods of com.mirav.sdk.MiravSDKClient.
#ifndef MIRAV_JNI_NATIVE_COMMON_H
#define MIRAV_JNI_NATIVE_COMMON_H

#include <jni.h>

#include <cstdint>
#include <mutex>

#include "JavaClasses.h"
#include "PumpedFrames.h"
#include "mirav/MiravSDKClient.h"

namespace mirav::jni {

// Result of the int natives for a handle of 0 or a missing listener.
constexpr jint kNoClient = 1;

// The client a Java handle stands for (the address of a MiravSDKClient).
inline MiravSDKClient* ClientOf(jlong handle) {
    return reinterpret_cast<MiravSDKClient*>(static_cast<intptr_t>(handle));
}

// Whether a native reads or changes the library's current frame record.
enum class FrameAccess { kNone, kLocked };

// The prologue of every native with a handle: the client, the class table (resolved on this Java
// thread) and, for natives that touch the current frame record, the pumped-frame lock for the
// whole call. False (the native then answers its zero-handle value) for a handle of 0 or a table
// that could not be resolved.
class NativeCall {
public:
    NativeCall(JNIEnv* env, jlong handle, FrameAccess access = FrameAccess::kNone)
        : client_(ClientOf(handle)), classes_(handle != 0 ? ClassesFromJavaThread(env) : nullptr) {
        if (classes_ != nullptr && access == FrameAccess::kLocked) {
            lock_ = LockFrames();
        }
    }

    explicit operator bool() const { return classes_ != nullptr; }
    MiravSDKClient* Client() const { return client_; }
    const JavaClasses& Classes() const { return *classes_; }

private:
    MiravSDKClient* client_;
    const JavaClasses* classes_;
    std::unique_lock<std::mutex> lock_;
};

// Drops the handle's pumped frame, then the listener registrations made through the handle.
void Teardown(jlong handle);

}  // namespace mirav::jni

#endif
