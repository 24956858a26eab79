// Lifecycle natives: create, initialise, uninitialise, destroy, version, verbosity, force plates.
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
    ReleaseAllBindings();
}

}  // namespace mirav::jni

using namespace mirav::jni;

extern "C" {

JNIEXPORT jlong JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeCreate(JNIEnv* env, jclass) {
    ClassesFromJavaThread(env);  // resolve the model classes on a Java thread before any delivery
    try {
        return static_cast<jlong>(reinterpret_cast<intptr_t>(new MiravSDKClient()));
    } catch (...) {
        return 0;
    }
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeDestroy(JNIEnv*, jclass,
                                                                       jlong handle) {
    if (handle == 0) {
        return;
    }
    Teardown(handle);
    try {
        delete ClientOf(handle);
    } catch (...) {
    }
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeInitialize(JNIEnv* env, jclass,
                                                                          jlong handle,
                                                                          jstring address) {
    if (handle == 0) {
        return kNoClient;
    }
    NativeString text(env, address);
    if (!text.Valid()) {
        return kNoClient;  // OutOfMemoryError pending for the caller
    }
    try {
        return ClientOf(handle)->Initialize(text.Data());
    } catch (...) {
        return kNoClient;
    }
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeUninitialize(JNIEnv*, jclass,
                                                                            jlong handle) {
    if (handle == 0) {
        return kNoClient;
    }
    jint result = kNoClient;
    try {
        result = ClientOf(handle)->Uninitialize();
    } catch (...) {
    }
    Teardown(handle);
    return result;
}

JNIEXPORT jbyteArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetVersion(JNIEnv* env, jclass,
                                                                                jlong handle) {
    if (handle == 0) {
        return nullptr;
    }
    unsigned char version[4] = {};
    ClientOf(handle)->MiravSDKVersion(version);
    jbyteArray array = env->NewByteArray(4);
    if (array != nullptr) {
        env->SetByteArrayRegion(array, 0, 4, reinterpret_cast<const jbyte*>(version));
    }
    return array;
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeSetVerbosityLevel(JNIEnv*, jclass,
                                                                                 jlong handle,
                                                                                 jint level) {
    if (handle != 0) {
        ClientOf(handle)->SetVerbosityLevel(level);
    }
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeWaitForForcePlateInit(
    JNIEnv*, jclass, jlong handle, jlong timeoutMs) {
    if (handle == 0) {
        return kNoClient;
    }
    try {
        // Only the low 32 bits reach the library.
        return ClientOf(handle)->WaitForForcePlateInit(
            static_cast<int>(static_cast<uint32_t>(timeoutMs)));
    } catch (...) {
        return kNoClient;
    }
}

}  // extern "C"
