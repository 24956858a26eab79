// Description, server description and timecode natives, and the three no-op record natives.
#include "DescriptionConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "NativeCommon.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

namespace {

constexpr jint kDescriptionCapacity = 64;

// Fetches a description set with fetch(client, &set), converts it and always releases it.
template <class Fetch>
jobject FetchDescriptions(JNIEnv* env, jlong handle, Fetch fetch) {
    if (handle == 0) {
        return nullptr;
    }
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    MiravSDKClient* client = ClientOf(handle);
    sDataDescriptions* set = nullptr;
    try {
        if (fetch(client, &set) != 0 || set == nullptr) {
            if (set != nullptr) {
                client->FreeDataDescriptions(set);
            }
            return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
    jobject result = nullptr;
    {
        LocalFrame locals(env, kDescriptionCapacity);
        if (locals.Pushed()) {
            result = locals.Pop(ConvertDescriptions(env, *classes, *set));
        }
    }
    try {
        client->FreeDataDescriptions(set);
    } catch (...) {
    }
    return result;
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetServerDescription(JNIEnv* env, jclass, jlong handle) {
    if (handle == 0) {
        return nullptr;
    }
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    sServerDescription server{};
    try {
        if (ClientOf(handle)->GetServerDescription(&server) != 0) {
            return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
    LocalFrame locals(env, 16);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertServerDescription(env, *classes, server));
}

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetDataDescriptions(JNIEnv* env, jclass, jlong handle) {
    return FetchDescriptions(env, handle, [](MiravSDKClient* c, sDataDescriptions** set) {
        return c->GetDataDescriptions(set);
    });
}

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetDataDescriptionsEx(JNIEnv* env, jclass, jlong handle) {
    return FetchDescriptions(env, handle, [](MiravSDKClient* c, sDataDescriptions** set) {
        return c->GetDataDescriptionsEx(set);
    });
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetTposeDataDescriptions(
    JNIEnv* env, jclass, jlong handle, jstring name) {
    if (handle == 0) {
        return nullptr;
    }
    NativeString text(env, name);
    if (!text.Valid()) {
        return nullptr;
    }
    return FetchDescriptions(env, handle, [&text](MiravSDKClient* c, sDataDescriptions** set) {
        return c->GetTposeDataDescriptions(text.Data(), set);
    });
}

// Java objects own their data; there is nothing native to copy or release.
JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeFreeDataDescriptions(JNIEnv*, jclass,
                                                                                    jlong,
                                                                                    jobject) {
    return 0;
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeCopyFrame(JNIEnv*, jclass, jlong,
                                                                         jobject) {
    return 0;
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeFreeFrame(JNIEnv*, jclass, jlong,
                                                                         jobject) {
    return 0;
}

JNIEXPORT jintArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeDecodeTimecode(
    JNIEnv* env, jclass, jlong handle, jint timecode, jint subframe) {
    if (handle == 0) {
        return nullptr;
    }
    jint parts[5] = {};
    if (!ClientOf(handle)->DecodeTimecode(static_cast<uint32_t>(timecode),
                                          static_cast<uint32_t>(subframe), &parts[0], &parts[1],
                                          &parts[2], &parts[3], &parts[4])) {
        return nullptr;
    }
    jintArray array = env->NewIntArray(5);
    if (array != nullptr) {
        env->SetIntArrayRegion(array, 0, 5, parts);
    }
    return array;
}

JNIEXPORT jstring JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeTimecodeStringify(
    JNIEnv* env, jclass, jlong handle, jint timecode, jint subframe) {
    if (handle == 0) {
        return nullptr;
    }
    char buffer[128] = {};
    if (!ClientOf(handle)->TimecodeStringify(static_cast<uint32_t>(timecode),
                                             static_cast<uint32_t>(subframe), buffer,
                                             static_cast<int>(sizeof(buffer)))) {
        return nullptr;
    }
    return env->NewStringUTF(FixedText(buffer, sizeof(buffer)).c_str());
}

}  // extern "C"
