// Shared pieces of the native methods of com.mirav.sdk.MiravSDKClient.
#ifndef MIRAV_JNI_NATIVE_COMMON_H
#define MIRAV_JNI_NATIVE_COMMON_H

#include <jni.h>

#include <cstdint>

#include "mirav/MiravSDKClient.h"

namespace mirav::jni {

// Result of the int natives for a handle of 0 or a missing listener.
constexpr jint kNoClient = 1;

// The client a Java handle stands for (the address of a MiravSDKClient).
inline MiravSDKClient* ClientOf(jlong handle) {
    return reinterpret_cast<MiravSDKClient*>(static_cast<intptr_t>(handle));
}

// Drops the handle's pumped frame, then every listener registration of every client.
void Teardown(jlong handle);

}  // namespace mirav::jni

#endif
