// Library entry: resolves the Java classes on the loading thread, whose class loader is the one
// that loaded com.mirav.sdk.MiravSDKClient and therefore sees the model classes.
#include "JavaClasses.h"
#include "JniSupport.h"

extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void*) {
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), mirav::jni::kJniVersion) != JNI_OK) {
        return JNI_ERR;
    }
    // A failure here is not fatal: the first native call from a Java thread tries again.
    mirav::jni::ClassesFromJavaThread(env);
    return mirav::jni::kJniVersion;
}
