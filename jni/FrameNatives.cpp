// Frame natives: pump, last frame, and the per-frame getters. All of them read or change the
// library's current frame record and therefore run under the pumped-frame lock.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "FrameConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "NativeCommon.h"
#include "PumpedFrames.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

namespace {

constexpr jint kFrameCapacity = 2048;
constexpr jint kQueryCapacity = 256;
constexpr int kLabeledMarkerCountType = 5;  // GetLastFrameDataByType: labeledMarkerCount

// Value of a plain getter, or fallback when the library throws.
template <class T, class Get>
T PlainValue(jlong handle, T fallback, Get get) {
    if (handle == 0) {
        return fallback;
    }
    auto lock = LockFrames();
    try {
        return get(ClientOf(handle));
    } catch (...) {
        return fallback;
    }
}

jfloatArray PointOrNull(JNIEnv* env, int result, const float* point) {
    if (result != 0 || point == nullptr) {
        return nullptr;
    }
    return NewPoint(env, point);
}

// Query-form rigid body from a library lookup, inside a local frame of its own.
template <class Lookup>
jobject QueryRigidBody(JNIEnv* env, jlong handle, Lookup lookup) {
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    LocalFrame frame(env, kQueryCapacity);
    if (!frame.Pushed()) {
        return nullptr;
    }
    auto lock = LockFrames();
    sRigidBodyData* body = nullptr;
    try {
        if (lookup(ClientOf(handle), &body) != 0 || body == nullptr) {
            return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
    return frame.Pop(ConvertQueryRigidBody(env, *classes, *body));
}

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_mirav_sdk_MiravSDKClient_nativePumpFrame(JNIEnv*, jclass,
                                                                             jlong handle) {
    if (handle == 0) {
        return JNI_FALSE;
    }
    auto lock = LockFrames();
    return PumpFrame(ClientOf(handle), handle) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameOfMocapData(JNIEnv* env, jclass, jlong handle) {
    if (handle == 0) {
        return nullptr;
    }
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    auto lock = LockFrames();
    sFrameOfMocapData* frame = ChooseFrame(ClientOf(handle), handle);
    if (frame == nullptr) {
        return nullptr;
    }
    LocalFrame locals(env, kFrameCapacity);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertFrame(env, *classes, frame));
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameDataByType(JNIEnv*,
                                                                                      jclass,
                                                                                      jlong handle,
                                                                                      jint type) {
    return PlainValue<jint>(handle, 0,
                            [type](MiravSDKClient* c) { return c->GetLastFrameDataByType(type); });
}

JNIEXPORT jfloat JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameLatency(JNIEnv*,
                                                                                     jclass,
                                                                                     jlong handle) {
    return PlainValue<jfloat>(handle, 0.0f,
                              [](MiravSDKClient* c) { return c->GetLastFrameLatency(); });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameSubframe(JNIEnv*, jclass,
                                                                                    jlong handle) {
    return PlainValue<jint>(
        handle, 0, [](MiravSDKClient* c) { return static_cast<jint>(c->GetLastFrameSubframe()); });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameTimecode(JNIEnv*, jclass,
                                                                                    jlong handle) {
    return PlainValue<jint>(
        handle, 0, [](MiravSDKClient* c) { return static_cast<jint>(c->GetLastFrameTimecode()); });
}

JNIEXPORT jlong JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameTimeStamp(JNIEnv*, jclass, jlong handle) {
    return PlainValue<jlong>(handle, 0, [](MiravSDKClient* c) {
        return static_cast<jlong>(c->GetLastFrameTimeStamp());
    });
}

JNIEXPORT jfloatArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameMarkerByName(
    JNIEnv* env, jclass, jlong handle, jstring markerSetName, jstring markerName) {
    if (handle == 0) {
        return nullptr;
    }
    NativeString set(env, markerSetName);
    NativeString marker(env, markerName);
    if (!set.Valid() || !marker.Valid()) {
        return nullptr;
    }
    auto lock = LockFrames();
    float* point = nullptr;
    try {
        int result = ClientOf(handle)->GetLastFrameMarkerByName(set.CStr(), marker.CStr(), &point);
        return PointOrNull(env, result, point);
    } catch (...) {
        return nullptr;
    }
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameRigidBodyByName(
    JNIEnv* env, jclass, jlong handle, jstring name) {
    if (handle == 0 || name == nullptr) {
        return nullptr;
    }
    NativeString text(env, name);
    if (!text.Valid() || text.Empty()) {
        return nullptr;
    }
    return QueryRigidBody(env, handle, [&](MiravSDKClient* c, sRigidBodyData** body) {
        return c->GetLastFrameRigidBodyByName(text.CStr(), body);
    });
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameSkeletonByName(
    JNIEnv* env, jclass, jlong handle, jstring skeletonName, jstring boneName) {
    if (handle == 0 || skeletonName == nullptr || boneName == nullptr) {
        return nullptr;
    }
    NativeString skeleton(env, skeletonName);
    NativeString bone(env, boneName);
    if (!skeleton.Valid() || !bone.Valid() || skeleton.Empty() || bone.Empty()) {
        return nullptr;
    }
    return QueryRigidBody(env, handle, [&](MiravSDKClient* c, sRigidBodyData** body) {
        return c->GetLastFrameSkeletonByName(skeleton.CStr(), bone.CStr(), body);
    });
}

JNIEXPORT jobjectArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameLabeledMarker(
    JNIEnv* env, jclass, jlong handle) {
    if (handle == 0) {
        return nullptr;
    }
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    auto lock = LockFrames();
    sMarker* markers = nullptr;
    try {
        // The accessor answers 0 for success, not the number of markers; the count is the
        // current frame's labelled-marker count, read under the same lock.
        MiravSDKClient* client = ClientOf(handle);
        if (client->GetLastFrameLabeledMarker(&markers) != 0) {
            return nullptr;
        }
        int count = client->GetLastFrameDataByType(kLabeledMarkerCountType);
        return ConvertLabeledMarkers(env, *classes, markers, count);
    } catch (...) {
        return nullptr;
    }
}

JNIEXPORT jfloatArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameUndefined(
    JNIEnv* env, jclass, jlong handle, jint index) {
    if (handle == 0) {
        return nullptr;
    }
    auto lock = LockFrames();
    float* point = nullptr;
    try {
        int result = ClientOf(handle)->GetLastFrameUndefined(index, &point);
        return PointOrNull(env, result, point);
    } catch (...) {
        return nullptr;
    }
}

JNIEXPORT jfloat JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameAnalogData(
    JNIEnv* env, jclass, jlong handle, jstring channelName) {
    if (handle == 0) {
        return 0.0f;
    }
    NativeString name(env, channelName);
    if (!name.Valid()) {
        return 0.0f;
    }
    auto lock = LockFrames();
    float value = 0.0f;
    try {
        if (ClientOf(handle)->GetLastFrameAnalogdata(name.CStr(), &value) != 0) {
            return std::numeric_limits<float>::quiet_NaN();
        }
    } catch (...) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return value;
}

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameExtendData(JNIEnv* env, jclass, jlong handle) {
    if (handle == 0) {
        return nullptr;
    }
    const JavaClasses* classes = ClassesFromJavaThread(env);
    if (classes == nullptr) {
        return nullptr;
    }
    // 880 kB: on the heap, zero-filled, owned by this call.
    auto data = std::make_unique<sFrameExtendData>();
    std::memset(data.get(), 0, sizeof(sFrameExtendData));
    {
        auto lock = LockFrames();
        try {
            if (ClientOf(handle)->GetLastFrameExtendData(*data) != 0) {
                return nullptr;
            }
        } catch (...) {
            return nullptr;
        }
    }
    LocalFrame locals(env, kQueryCapacity);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertExtendData(env, *classes, *data));
}

}  // extern "C"
