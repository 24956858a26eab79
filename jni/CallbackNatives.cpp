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
    if (handle == 0 || listener == nullptr) {
        return kNoClient;
    }
    if (ClassesFromJavaThread(env) == nullptr) {
        return kNoClient;
    }
    uint64_t token = RegisterListener(env, kind, listener, user);
    if (token == 0) {
        return kNoClient;  // the Java exception (NoSuchMethodError, OutOfMemoryError) is pending
    }
    try {
        return install(ClientOf(handle), TokenPointer(token));
    } catch (...) {
        return kNoClient;
    }
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

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetMessageCallback(
    JNIEnv*, jclass, jlong handle, jobject listener) {
    if (handle == 0 || listener == nullptr) {
        return kNoClient;
    }
    try {
        return ClientOf(handle)->SetMessageCallback(MessageHook);
    } catch (...) {
        return kNoClient;
    }
}

}  // extern "C"
