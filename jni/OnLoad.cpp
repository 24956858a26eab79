// Library entry: resolves the Java classes on the loading thread, whose class loader is the one
// that loaded com.mirav.sdk.MiravSDKClient and therefore sees the model classes. A class, method
// or constant that does not resolve stops the loading with an error naming it: a binding built
// against other Java classes must fail at once, not deliver half-filled objects later.
#include <string>

#include "JavaClasses.h"
#include "JniSupport.h"

extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void*) {
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), mirav::jni::kJniVersion) != JNI_OK) {
        return JNI_ERR;
    }
    if (mirav::jni::ClassesFromJavaThread(env) == nullptr) {
        const std::string message =
            "mirav_sdk_jni: Java classes or methods not found: " + mirav::jni::UnresolvedNames();
        jclass error = env->FindClass("java/lang/LinkageError");
        if (error != nullptr) {
            env->ThrowNew(error, message.c_str());
        }
        return JNI_ERR;
    }
    return mirav::jni::kJniVersion;
}
