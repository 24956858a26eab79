// Frame natives: pump, last frame, and the per-frame getters. All of them read or change the
// library's current frame record and therefore run under the pumped-frame lock (NativeCall with
// FrameAccess::kLocked). The library's operations never throw, so nothing here needs a catch.
#include <cstddef>
#include <limits>

#include "FrameConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "NativeCommon.h"
#include "PumpedFrames.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

namespace {

constexpr jint kQueryCapacity = 16;
constexpr int kLabeledMarkerCountType = 5;  // GetLastFrameDataByType: labeledMarkerCount

// Value of a plain getter under the lock, or fallback for a handle of 0.
template <class T, class Get>
T PlainValue(JNIEnv* env, jlong handle, T fallback, Get get) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    return call ? get(call.Client()) : fallback;
}

jfloatArray PointOrNull(JNIEnv* env, int result, const float* point) {
    if (result != 0 || point == nullptr) {
        return nullptr;
    }
    return NewPoint(env, point);
}

// Query-form rigid body from a library lookup.
template <class Lookup>
jobject QueryRigidBody(JNIEnv* env, jlong handle, Lookup lookup) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    sRigidBodyData* body = nullptr;
    if (lookup(call.Client(), &body) != 0 || body == nullptr) {
        return nullptr;
    }
    LocalFrame frame(env, kQueryCapacity);
    if (!frame.Pushed()) {
        return nullptr;
    }
    return frame.Pop(ConvertQueryRigidBody(env, call.Classes(), *body));
}

// The library's current frame record, found through the labelled-marker accessor (which points
// into that record); read only under the pumped-frame lock, like every other reader here.
const sFrameOfMocapData* CurrentFrameRecord(MiravSDKClient* client) {
    sMarker* markers = nullptr;
    if (client->GetLastFrameLabeledMarker(&markers) != 0 || markers == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<const sFrameOfMocapData*>(reinterpret_cast<const char*>(markers) -
                                                      offsetof(sFrameOfMocapData, labeledMarkers));
}

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_mirav_sdk_MiravSDKClient_nativePumpFrame(JNIEnv* env, jclass,
                                                                             jlong handle) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return JNI_FALSE;
    }
    return PumpFrame(call.Client(), handle) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameOfMocapData(JNIEnv* env, jclass, jlong handle) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    sFrameOfMocapData* frame = ChooseFrame(call.Client(), handle);
    if (frame == nullptr) {
        return nullptr;
    }
    LocalFrame locals(env, kQueryCapacity);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertFrame(env, call.Classes(), frame));
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameDataByType(JNIEnv* env,
                                                                                      jclass,
                                                                                      jlong handle,
                                                                                      jint type) {
    return PlainValue<jint>(env, handle, 0,
                            [type](MiravSDKClient* c) { return c->GetLastFrameDataByType(type); });
}

JNIEXPORT jfloat JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameLatency(JNIEnv* env,
                                                                                     jclass,
                                                                                     jlong handle) {
    return PlainValue<jfloat>(env, handle, 0.0f,
                              [](MiravSDKClient* c) { return c->GetLastFrameLatency(); });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameSubframe(JNIEnv* env,
                                                                                    jclass,
                                                                                    jlong handle) {
    return PlainValue<jint>(env, handle, 0, [](MiravSDKClient* c) {
        return static_cast<jint>(c->GetLastFrameSubframe());
    });
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameTimecode(JNIEnv* env,
                                                                                    jclass,
                                                                                    jlong handle) {
    return PlainValue<jint>(env, handle, 0, [](MiravSDKClient* c) {
        return static_cast<jint>(c->GetLastFrameTimecode());
    });
}

JNIEXPORT jlong JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameTimeStamp(JNIEnv* env, jclass, jlong handle) {
    return PlainValue<jlong>(env, handle, 0, [](MiravSDKClient* c) {
        return static_cast<jlong>(c->GetLastFrameTimeStamp());
    });
}

JNIEXPORT jfloatArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameMarkerByName(
    JNIEnv* env, jclass, jlong handle, jstring markerSetName, jstring markerName) {
    NativeString set(env, markerSetName);
    NativeString marker(env, markerName);
    if (!set.Valid() || !marker.Valid()) {
        return nullptr;
    }
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    float* point = nullptr;
    int result = call.Client()->GetLastFrameMarkerByName(set.CStr(), marker.CStr(), &point);
    return PointOrNull(env, result, point);
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
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    // The accessor answers 0 for success, not the number of markers; the count is the current
    // frame's labelled-marker count, read under the same lock.
    sMarker* markers = nullptr;
    if (call.Client()->GetLastFrameLabeledMarker(&markers) != 0) {
        return nullptr;
    }
    int count = call.Client()->GetLastFrameDataByType(kLabeledMarkerCountType);
    return ConvertLabeledMarkers(env, call.Classes(), markers, count);
}

JNIEXPORT jfloatArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameUndefined(
    JNIEnv* env, jclass, jlong handle, jint index) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    float* point = nullptr;
    int result = call.Client()->GetLastFrameUndefined(index, &point);
    return PointOrNull(env, result, point);
}

JNIEXPORT jfloat JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameAnalogData(
    JNIEnv* env, jclass, jlong handle, jstring channelName) {
    NativeString name(env, channelName);
    if (!name.Valid()) {
        return 0.0f;
    }
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return 0.0f;
    }
    float value = 0.0f;
    if (call.Client()->GetLastFrameAnalogdata(name.CStr(), &value) != 0) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return value;
}

// Converted straight from the current frame record: no 880 kB copy per call.
JNIEXPORT jobject JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetLastFrameExtendData(JNIEnv* env, jclass, jlong handle) {
    NativeCall call(env, handle, FrameAccess::kLocked);
    if (!call) {
        return nullptr;
    }
    const sFrameOfMocapData* frame = CurrentFrameRecord(call.Client());
    if (frame == nullptr) {
        return nullptr;
    }
    LocalFrame locals(env, kQueryCapacity);
    if (!locals.Pushed()) {
        return nullptr;
    }
    return locals.Pop(ConvertExtendData(env, call.Classes(), frame->extendData));
}

}  // extern "C"
