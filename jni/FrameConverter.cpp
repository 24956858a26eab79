// Frame records to Java model objects. Counts are clamped to the capacities of the records, so a
// damaged count can never make a conversion read past an array.
#include "FrameConverter.h"

#include <algorithm>

#include "JniSupport.h"

namespace mirav::jni {
namespace {

int Clamp(int count, int capacity) { return std::clamp(count, 0, capacity); }

// Builds an object array of count elements; element i comes from make(i), which returns a local
// reference or null (the element then stays null). Null, with any exception cleared, when the
// array cannot be made or an element conversion leaves an exception pending.
template <class Make>
jobjectArray BuildArray(JNIEnv* env, jclass elementClass, int count, Make make) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(count, elementClass, nullptr));
    if (!array || env->ExceptionCheck()) {
        env->ExceptionClear();
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        LocalRef<> element(env, make(i));
        if (env->ExceptionCheck()) {
            env->ExceptionClear();
            return nullptr;
        }
        if (element) {
            env->SetObjectArrayElement(array.Get(), i, element.Get());
        }
    }
    return array.Release();
}

// Calls setter(array) and drops the array; false when the setter threw.
bool SetArray(JNIEnv* env, jobject target, jmethodID setter, jobjectArray built) {
    LocalRef<jobjectArray> array(env, built);
    if (!array) {
        return true;  // the step is skipped
    }
    return CallSetter(env, target, setter, array.Get());
}

jobject PointMarker(JNIEnv* env, const MarkerClass& m, const float* point) {
    jobject marker = m.New(env);
    if (marker != nullptr &&
        !(CallSetter(env, marker, m.setX, point[0]) && CallSetter(env, marker, m.setY, point[1]) &&
          CallSetter(env, marker, m.setZ, point[2]))) {
        env->DeleteLocalRef(marker);
        return nullptr;  // exception stays pending for BuildArray
    }
    return marker;
}

jobjectArray PointMarkers(JNIEnv* env, const JavaClasses& c, const MarkerData* points, int count) {
    return BuildArray(env, c.marker.cls, count,
                      [&](int i) { return PointMarker(env, c.marker, points[i]); });
}

jobjectArray PointArrays(JNIEnv* env, const JavaClasses& c, const MarkerData* points, int count) {
    return BuildArray(env, c.floatArrayClass, count,
                      [&](int i) -> jobject { return NewPoint(env, points[i]); });
}

jobject ConvertMarkerSet(JNIEnv* env, const JavaClasses& c, const sMarkerSetData& set) {
    const auto& k = c.markerSet;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    if (!CallStringSetter(env, object.Get(), k.setName, set.name, sizeof(set.name)) ||
        !CallSetter(env, object.Get(), k.setMarkerCount, set.markerCount)) {
        return nullptr;
    }
    int count = Clamp(set.markerCount, MAX_MARKERS);
    if (count > 0 && set.markers != nullptr && k.setMarkers != nullptr &&
        !SetArray(env, object.Get(), k.setMarkers, PointMarkers(env, c, set.markers, count))) {
        return nullptr;
    }
    return object.Release();
}

// Identity and pose, shared by both forms of RigidBodyData.
bool SetPose(JNIEnv* env, jobject object, const RigidBodyDataClass& k, const sRigidBodyData& b) {
    return CallSetter(env, object, k.setId, b.id) && CallSetter(env, object, k.setX, b.x) &&
           CallSetter(env, object, k.setY, b.y) && CallSetter(env, object, k.setZ, b.z) &&
           CallSetter(env, object, k.setQx, b.qx) && CallSetter(env, object, k.setQy, b.qy) &&
           CallSetter(env, object, k.setQz, b.qz) && CallSetter(env, object, k.setQw, b.qw);
}

jobject ConvertFrameRigidBody(JNIEnv* env, const JavaClasses& c, const sRigidBodyData& body) {
    const auto& k = c.rigidBody;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    if (!SetPose(env, object.Get(), k, body) ||
        !CallSetter(env, object.Get(), k.setMarkerCount, body.markerCount)) {
        return nullptr;
    }
    int count = Clamp(body.markerCount, MAX_MARKERS);
    if (count > 0 && body.markers != nullptr && k.setMarkerObjects != nullptr &&
        !SetArray(env, object.Get(), k.setMarkerObjects,
                  PointMarkers(env, c, body.markers, count))) {
        return nullptr;
    }
    return object.Release();
}

jobject ConvertSkeleton(JNIEnv* env, const JavaClasses& c, const sSkeletonData& skeleton) {
    const auto& k = c.skeleton;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    if (!CallSetter(env, object.Get(), k.setSkeletonId, skeleton.skeletonId) ||
        !CallSetter(env, object.Get(), k.setRigidBodyCount, skeleton.rigidBodyCount)) {
        return nullptr;
    }
    int count = Clamp(skeleton.rigidBodyCount, MAX_SKELRIGIDBODIES);
    if (count > 0 && skeleton.rigidBodyData != nullptr && k.setRigidBodyData != nullptr) {
        jobjectArray bones = BuildArray(env, c.rigidBody.cls, count, [&](int i) {
            return ConvertFrameRigidBody(env, c, skeleton.rigidBodyData[i]);
        });
        if (!SetArray(env, object.Get(), k.setRigidBodyData, bones)) {
            return nullptr;
        }
    }
    return object.Release();
}

bool SetFrameScalars(JNIEnv* env, jobject o, const FrameOfMocapDataClass& k,
                     const sFrameOfMocapData& f) {
    return CallSetter(env, o, k.setFrame, f.frameNumber) &&
           CallSetter(env, o, k.setMarkerSetCount, f.markerSetCount) &&
           CallSetter(env, o, k.setRigidBodyCount, f.rigidBodyCount) &&
           CallSetter(env, o, k.setSkeletonCount, f.skeletonCount) &&
           CallSetter(env, o, k.setLabeledMarkerCount, f.labeledMarkerCount) &&
           CallSetter(env, o, k.setOtherMarkerCount, f.otherMarkerCount) &&
           CallSetter(env, o, k.setAnalogDataCount, f.analogDataCount) &&
           CallSetter(env, o, k.setLatency, f.latency) &&
           CallSetter(env, o, k.setTimecode, static_cast<jint>(f.timecode)) &&
           CallSetter(env, o, k.setTimecodeSubframe, static_cast<jint>(f.timecodeSubframe)) &&
           CallSetter(env, o, k.setTimeStamp, static_cast<jlong>(f.timeStamp)) &&
           CallSetter(env, o, k.setParams, static_cast<jshort>(f.params));
}

bool SetFrameArrays(JNIEnv* env, jobject o, const JavaClasses& c, const sFrameOfMocapData& f) {
    const auto& k = c.frame;
    int sets = Clamp(f.markerSetCount, MAX_MARKERSETS);
    if (sets > 0 && k.setMocapData != nullptr &&
        !SetArray(env, o, k.setMocapData, BuildArray(env, c.markerSet.cls, sets, [&](int i) {
                      return ConvertMarkerSet(env, c, f.mocapData[i]);
                  }))) {
        return false;
    }
    int bodies = Clamp(f.rigidBodyCount, MAX_RIGIDBODIES);
    if (bodies > 0 && k.setRigidBodies != nullptr &&
        !SetArray(env, o, k.setRigidBodies, BuildArray(env, c.rigidBody.cls, bodies, [&](int i) {
                      return ConvertFrameRigidBody(env, c, f.rigidBodies[i]);
                  }))) {
        return false;
    }
    int skeletons = Clamp(f.skeletonCount, MAX_SKELETONS);
    if (skeletons > 0 && k.setSkeletons != nullptr &&
        !SetArray(env, o, k.setSkeletons, BuildArray(env, c.skeleton.cls, skeletons, [&](int i) {
                      return ConvertSkeleton(env, c, f.skeletons[i]);
                  }))) {
        return false;
    }
    int others = Clamp(f.otherMarkerCount, MAX_UNLABELED_MARKERS);
    if (others > 0 && f.otherMarkers != nullptr && k.setOtherMarkers != nullptr &&
        !SetArray(env, o, k.setOtherMarkers, PointArrays(env, c, f.otherMarkers, others))) {
        return false;
    }
    return true;
}

jobject ConvertExtendItem(JNIEnv* env, const RigidBodyExtendDataClass& k,
                          const sRigidBodyExtendData& item) {
    LocalRef<> object(env, k.New(env));
    if (!object || !CallSetter(env, object.Get(), k.setId, item.id)) {
        return nullptr;
    }
    const float values[kExtendFloatCount] = {
        item.roll,     item.pitch,     item.yaw,     item.rollVel, item.pitchVel, item.yawVel,
        item.rollAvel, item.pitchAvel, item.yawAvel, item.xVel,    item.yVel,     item.zVel,
        item.rVel,     item.xAvel,     item.yAvel,   item.zAvel,   item.rAvel};
    for (int i = 0; i < kExtendFloatCount; ++i) {
        if (!CallSetter(env, object.Get(), k.floatSetters[i], values[i])) {
            return nullptr;
        }
    }
    return object.Release();
}

}  // namespace

jobject ConvertFrame(JNIEnv* env, const JavaClasses& c, const sFrameOfMocapData* frame) {
    if (frame == nullptr) {
        return nullptr;
    }
    LocalRef<> object(env, c.frame.New(env));
    if (!object) {
        return nullptr;
    }
    if (!SetFrameScalars(env, object.Get(), c.frame, *frame) ||
        !SetFrameArrays(env, object.Get(), c, *frame)) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

jobject ConvertExtendData(JNIEnv* env, const JavaClasses& c, const sFrameExtendData& data) {
    const sExtendDataBlock* block = nullptr;
    int blocks = Clamp(data.extendDataNum, MAX_EXTEND_BLOCKS);
    for (int i = 0; i < blocks && block == nullptr; ++i) {
        if (data.blocks[i].type == 1) {
            block = &data.blocks[i];
        }
    }
    if (block == nullptr || block->itemCount < 1 || block->itemCount > MAX_EXTEND_ITEMS) {
        return nullptr;
    }
    const auto& k = c.extendData;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    bool ok = CallSetter(env, object.Get(), k.setExtendDataNum, data.extendDataNum);
    if (ok && k.setRigidBodyExtendData != nullptr) {
        jobjectArray items = BuildArray(env, c.rigidBodyExtend.cls, block->itemCount, [&](int i) {
            return ConvertExtendItem(env, c.rigidBodyExtend, block->items[i]);
        });
        ok = SetArray(env, object.Get(), k.setRigidBodyExtendData, items);
    }
    if (!ok) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

jobject ConvertQueryRigidBody(JNIEnv* env, const JavaClasses& c, const sRigidBodyData& body) {
    const auto& k = c.rigidBody;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    // 1..999 markers are carried; anything else is treated as no markers at all.
    int n = (body.markerCount >= 1 && body.markerCount <= 999) ? body.markerCount : 0;
    bool ok = SetPose(env, object.Get(), k, body) &&
              CallSetter(env, object.Get(), k.setMarkerCount, n) &&
              CallSetter(env, object.Get(), k.setMeanError, body.meanError) &&
              CallSetter(env, object.Get(), k.setParams, static_cast<jshort>(body.params));
    if (ok && n > 0 && body.markers != nullptr && k.setMarkerPositions != nullptr) {
        ok =
            SetArray(env, object.Get(), k.setMarkerPositions, PointArrays(env, c, body.markers, n));
    }
    if (ok && n > 0 && body.markerIds != nullptr && k.setMarkerIds != nullptr) {
        LocalRef<jintArray> ids(env, env->NewIntArray(n));
        if (ids) {
            env->SetIntArrayRegion(ids.Get(), 0, n, body.markerIds);
            ok = CallSetter(env, object.Get(), k.setMarkerIds, ids.Get());
        }
    }
    if (ok && n > 0 && body.markerSizes != nullptr && k.setMarkerSizes != nullptr) {
        LocalRef<jfloatArray> sizes(env, env->NewFloatArray(n));
        if (sizes) {
            env->SetFloatArrayRegion(sizes.Get(), 0, n, body.markerSizes);
            ok = CallSetter(env, object.Get(), k.setMarkerSizes, sizes.Get());
        }
    }
    if (!ok || env->ExceptionCheck()) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

jobjectArray ConvertLabeledMarkers(JNIEnv* env, const JavaClasses& c, const sMarker* markers,
                                   int count) {
    if (count < 0 || markers == nullptr) {
        return nullptr;
    }
    const auto& k = c.marker;
    return BuildArray(env, k.cls, std::min(count, MAX_LABELED_MARKERS), [&](int i) -> jobject {
        const sMarker& m = markers[i];
        LocalRef<> marker(env, k.New(env));
        if (!marker || !(CallSetter(env, marker.Get(), k.setId, m.id) &&
                         CallSetter(env, marker.Get(), k.setX, m.x) &&
                         CallSetter(env, marker.Get(), k.setY, m.y) &&
                         CallSetter(env, marker.Get(), k.setZ, m.z) &&
                         CallSetter(env, marker.Get(), k.setSize, m.size))) {
            return nullptr;
        }
        return marker.Release();
    });
}

jobject ConvertForcePlates(JNIEnv* env, const JavaClasses& c, const sForcePlates& plates) {
    const auto& k = c.forcePlates;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    int count = Clamp(plates.forcePlateCount, MAX_FORCEPLATES);
    const auto& p = c.forcePlate;
    bool ok = CallSetter(env, object.Get(), k.setFrameNumber, plates.frameNumber) &&
              CallSetter(env, object.Get(), k.setForcePlateCount, count);
    if (ok && k.setForcePlates != nullptr) {
        jobjectArray array = BuildArray(env, p.cls, count, [&](int i) -> jobject {
            const sForcePlateData& d = plates.forcePlates[i];
            LocalRef<> plate(env, p.New(env));
            if (!plate || !(CallSetter(env, plate.Get(), p.setFx, d.fx) &&
                            CallSetter(env, plate.Get(), p.setFy, d.fy) &&
                            CallSetter(env, plate.Get(), p.setFz, d.fz) &&
                            CallSetter(env, plate.Get(), p.setCopX, d.copX) &&
                            CallSetter(env, plate.Get(), p.setCopY, d.copY) &&
                            CallSetter(env, plate.Get(), p.setCopZ, d.copZ) &&
                            CallSetter(env, plate.Get(), p.setTz, d.tz))) {
                return nullptr;
            }
            return plate.Release();
        });
        ok = SetArray(env, object.Get(), k.setForcePlates, array);
    }
    if (!ok) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

}  // namespace mirav::jni
