// Stream continuity natives: connection state and its listener, stall time, automatic
// reconnection, request time-out, the sentence about the last failure and the polling queue.
#include <cstring>

#include "CallbackBindings.h"
#include "JniSupport.h"
#include "NativeCommon.h"
#include "Trampolines.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

namespace {

// Room for the longest sentence the library writes, with its terminator.
constexpr int kErrorTextSize = 1024;

}  // namespace

extern "C" {

// The state code, or -1 for a handle of 0 (the Java side answers DISCONNECTED then).
JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetConnectionState(JNIEnv* env,
                                                                                  jclass,
                                                                                  jlong handle) {
    NativeCall call(env, handle);
    int state = 0;
    if (!call || call.Client()->GetConnectionState(&state) != MiravResult_Ok) {
        return -1;
    }
    return state;
}

// A null listener stops the calls; the registrations made before stay in the table until the
// client's teardown, like those of the other listeners.
JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetConnectionStateCallback(
    JNIEnv* env, jclass, jlong handle, jobject listener) {
    NativeCall call(env, handle);
    if (!call) {
        return kNoClient;
    }
    if (listener == nullptr) {
        return call.Client()->SetConnectionStateCallback(nullptr, nullptr);
    }
    uint64_t token =
        RegisterListener(env, CallbackKind::kConnectionState, listener, nullptr, handle);
    if (token == 0) {
        return kNoClient;  // NoSuchMethodError or OutOfMemoryError is pending
    }
    return call.Client()->SetConnectionStateCallback(
        ConnectionStateTrampoline, reinterpret_cast<void*>(static_cast<uintptr_t>(token)));
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetStallTimeout(JNIEnv* env, jclass,
                                                                               jlong handle,
                                                                               jint milliseconds) {
    NativeCall call(env, handle);
    return call ? call.Client()->SetStallTimeout(milliseconds) : kNoClient;
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetAutoReconnect(
    JNIEnv* env, jclass, jlong handle, jboolean enabled, jint retryIntervalMs) {
    NativeCall call(env, handle);
    return call ? call.Client()->SetAutoReconnect(enabled ? 1 : 0, retryIntervalMs) : kNoClient;
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetRequestTimeout(
    JNIEnv* env, jclass, jlong handle, jint milliseconds) {
    NativeCall call(env, handle);
    return call ? call.Client()->SetRequestTimeout(milliseconds) : kNoClient;
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetFrameQueueCapacity(JNIEnv* env,
                                                                                     jclass,
                                                                                     jlong handle,
                                                                                     jint frames) {
    NativeCall call(env, handle);
    return call ? call.Client()->SetFrameQueueCapacity(frames) : kNoClient;
}

// The sentence as a Java string, converted exactly from UTF-8 (an address or a host name in it
// may carry any characters); null for a handle of 0.
JNIEXPORT jstring JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastErrorText(JNIEnv* env,
                                                                                   jclass,
                                                                                   jlong handle) {
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    char text[kErrorTextSize] = {};
    if (call.Client()->GetLastErrorText(text, kErrorTextSize) != MiravResult_Ok) {
        return nullptr;
    }
    return NewJavaString(env, text, std::strlen(text));
}

}  // extern "C"
