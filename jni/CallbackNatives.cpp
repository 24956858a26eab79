// Listener registration natives.
#include <cstdint>

#include "CallbackBindings.h"
#include "JavaClasses.h"
#include "NativeCommon.h"
#include "Trampolines.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

namespace {

void* TokenPointer(uint64_t token) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(token));
}

// Registers listener for kind and installs install(client, token) with the library. The model
// classes are resolved here, on the registering Java thread, so deliveries never look them up.
template <class Install>
jint Register(JNIEnv* env, jlong handle, CallbackKind kind, jobject listener, jobject user,
              Install install) {
    NativeCall call(env, handle);
    if (!call || listener == nullptr) {
        return kNoClient;
    }
    uint64_t token = RegisterListener(env, kind, listener, user, handle);
    if (token == 0) {
        return kNoClient;  // the Java exception (NoSuchMethodError, OutOfMemoryError) is pending
    }
    return install(call.Client(), TokenPointer(token));
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetDataCallback(JNIEnv* env, jclass,
                                                                               jlong handle,
                                                                               jobject listener,
                                                                               jobject user) {
    return Register(
        env, handle, CallbackKind::kData, listener, user,
        [](MiravSDKClient* c, void* t) { return c->SetDataCallback(DataTrampoline, t); });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetForcePlateCallback(
    JNIEnv* env, jclass, jlong handle, jobject listener, jobject user) {
    return Register(env, handle, CallbackKind::kForcePlate, listener, user,
                    [](MiravSDKClient* c, void* t) {
                        return c->SetForcePlateCallback(ForcePlateTrampoline, t);
                    });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetNotifyMsgCallback(
    JNIEnv* env, jclass, jlong handle, jobject listener) {
    return Register(
        env, handle, CallbackKind::kNotify, listener, nullptr,
        [](MiravSDKClient* c, void* t) { return c->SetNotifyMsgCallback(NotifyTrampoline, t); });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetAnalogChCallback(
    JNIEnv* env, jclass, jlong handle, jobject listener) {
    return Register(
        env, handle, CallbackKind::kAnalog, listener, nullptr,
        [](MiravSDKClient* c, void* t) { return c->SetAnalogChCallback(AnalogTrampoline, t); });
}

// The listener becomes the process-wide message listener; a listener that is not a
// MessageListener (the client itself, for discardLibraryMessages) discards the lines.
JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetMessageCallback(
    JNIEnv* env, jclass, jlong handle, jobject listener) {
    NativeCall call(env, handle);
    if (!call || listener == nullptr) {
        return kNoClient;
    }
    SetMessageListener(env, listener);
    return call.Client()->SetMessageCallback(MessageHook);
}

}  // extern "C"
