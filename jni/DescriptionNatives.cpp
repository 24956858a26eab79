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
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    const JavaClasses* classes = &call.Classes();
    MiravSDKClient* client = call.Client();
    sDataDescriptions* set = nullptr;
    if (fetch(client, &set) != 0 || set == nullptr) {
        if (set != nullptr) {
            client->FreeDataDescriptions(set);
        }
        return nullptr;
    }
    jobject result = nullptr;
    {
        LocalFrame locals(env, kDescriptionCapacity);
        if (locals.Pushed()) {
            result = locals.Pop(ConvertDescriptions(env, *classes, *set));
        }
    }
    client->FreeDataDescriptions(set);
    return result;
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetServerDescription(JNIEnv* env, jclass, jlong handle) {
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    sServerDescription server{};
    if (call.Client()->GetServerDescription(&server) != 0) {
        return nullptr;
    }
    LocalFrame locals(env, 16);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertServerDescription(env, call.Classes(), server));
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
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    jint parts[5] = {};
    if (!call.Client()->DecodeTimecode(static_cast<uint32_t>(timecode),
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
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    char buffer[128] = {};
    if (!call.Client()->TimecodeStringify(static_cast<uint32_t>(timecode),
                                          static_cast<uint32_t>(subframe), buffer,
                                          static_cast<int>(sizeof(buffer)))) {
        return nullptr;
    }
    return NewJavaString(env, buffer, sizeof(buffer));
}

}  // extern "C"
