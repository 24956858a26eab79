// Lifecycle natives: create, initialise, uninitialise, destroy, version, verbosity, force plates.
// The library's operations never throw (its boundary answers with result codes), so no call
// here needs a catch.
#include <new>

#include "CallbackBindings.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "NativeCommon.h"
#include "PumpedFrames.h"
#include "com_mirav_sdk_MiravSDKClient.h"

namespace mirav::jni {

void Teardown(jlong handle) {
    ForgetPumpedFrame(handle);
    ReleaseBindingsOf(handle);
}

}  // namespace mirav::jni

using namespace mirav::jni;

extern "C" {

JNIEXPORT jlong JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeCreate(JNIEnv* env, jclass) {
    if (ClassesFromJavaThread(env) == nullptr) {
        return 0;
    }
    return static_cast<jlong>(reinterpret_cast<intptr_t>(new (std::nothrow) MiravSDKClient()));
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeDestroy(JNIEnv*, jclass,
                                                                       jlong handle) {
    if (handle == 0) {
        return;
    }
    Teardown(handle);
    delete ClientOf(handle);
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeInitialize(JNIEnv* env, jclass,
                                                                          jlong handle,
                                                                          jstring address) {
    NativeCall call(env, handle);
    if (!call) {
        return kNoClient;
    }
    NativeString text(env, address);
    if (!text.Valid()) {
        return kNoClient;  // the exception stays pending for the caller
    }
    return call.Client()->Initialize(text.Data());
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeUninitialize(JNIEnv* env, jclass,
                                                                            jlong handle) {
    NativeCall call(env, handle);
    if (!call) {
        return kNoClient;
    }
    const jint result = call.Client()->Uninitialize();
    Teardown(handle);
    return result;
}

JNIEXPORT jbyteArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetVersion(JNIEnv* env, jclass,
                                                                                jlong handle) {
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    unsigned char version[4] = {};
    call.Client()->MiravSDKVersion(version);
    return NewByteArrayOf(env, version, sizeof(version));
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetVerbosityLevel(JNIEnv* env,
                                                                                 jclass,
                                                                                 jlong handle,
                                                                                 jint level) {
    NativeCall call(env, handle);
    if (call) {
        call.Client()->SetVerbosityLevel(level);
    }
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeWaitForForcePlateInit(
    JNIEnv* env, jclass, jlong handle, jlong timeoutMs) {
    NativeCall call(env, handle);
    if (!call) {
        return kNoClient;
    }
    // Only the low 32 bits reach the library.
    return call.Client()->WaitForForcePlateInit(static_cast<int>(static_cast<uint32_t>(timeoutMs)));
}

}  // extern "C"
