// Description records to Java model objects.
#include "DescriptionConverter.h"

#include <algorithm>

#include "JniSupport.h"

namespace mirav::jni {
namespace {

// Fills a RigidBodyDescription (also used for the bones of a skeleton description).
jobject ConvertRigidBodyDescription(JNIEnv* env, const RigidBodyDescriptionClass& k,
                                    const sRigidBodyDescription& d) {
    LocalRef<> o(env, k.New(env));
    if (!o) {
        return nullptr;
    }
    bool ok = CallStringSetter(env, o.Get(), k.setName, d.name, sizeof(d.name)) &&
              CallSetter(env, o.Get(), k.setId, d.id) &&
              CallSetter(env, o.Get(), k.setParentId, d.parentId) &&
              CallSetter(env, o.Get(), k.setOffsetX, d.offsetX) &&
              CallSetter(env, o.Get(), k.setOffsetY, d.offsetY) &&
              CallSetter(env, o.Get(), k.setOffsetZ, d.offsetZ) &&
              CallSetter(env, o.Get(), k.setQx, d.qx) && CallSetter(env, o.Get(), k.setQy, d.qy) &&
              CallSetter(env, o.Get(), k.setQz, d.qz) && CallSetter(env, o.Get(), k.setQw, d.qw);
    return ok ? o.Release() : nullptr;
}

jobject ConvertMarkerSetDescription(JNIEnv* env, const JavaClasses& c,
                                    const sMarkerSetDescription& d) {
    const auto& k = c.markerSetDescription;
    LocalRef<> o(env, k.New(env));
    if (!o) {
        return nullptr;
    }
    if (!CallStringSetter(env, o.Get(), k.setName, d.name, sizeof(d.name)) ||
        !CallSetter(env, o.Get(), k.setMarkerCount, d.markerCount)) {
        return nullptr;
    }
    if (d.markerNames != nullptr && d.markerCount > 0 && k.setMarkerNames != nullptr) {
        int count = d.markerCount;  // the library allocated exactly this many name pointers
        LocalRef<jobjectArray> names(env, env->NewObjectArray(count, c.stringClass, nullptr));
        if (!names || env->ExceptionCheck()) {
            return nullptr;
        }
        for (int j = 0; j < count; ++j) {
            if (d.markerNames[j] == nullptr) {
                continue;  // a missing name stays null
            }
            LocalRef<jstring> name(env, NewJavaString(env, d.markerNames[j], MAX_NAMELENGTH));
            if (!name) {
                return nullptr;
            }
            env->SetObjectArrayElement(names.Get(), j, name.Get());
        }
        if (!CallSetter(env, o.Get(), k.setMarkerNames, names.Get())) {
            return nullptr;
        }
    }
    return o.Release();
}

jobject ConvertSkeletonDescription(JNIEnv* env, const JavaClasses& c,
                                   const sSkeletonDescription& d) {
    const auto& k = c.skeletonDescription;
    LocalRef<> o(env, k.New(env));
    if (!o) {
        return nullptr;
    }
    if (!CallStringSetter(env, o.Get(), k.setName, d.name, sizeof(d.name)) ||
        !CallSetter(env, o.Get(), k.setSkeletonId, d.skeletonId) ||
        !CallSetter(env, o.Get(), k.setRigidBodyCount, d.rigidBodyCount)) {
        return nullptr;
    }
    if (d.rigidBodyCount > 0 && k.setRigidBodies != nullptr) {
        int count = std::min(d.rigidBodyCount, MAX_SKELRIGIDBODIES);
        LocalRef<jobjectArray> bones(
            env, env->NewObjectArray(count, c.rigidBodyDescription.cls, nullptr));
        if (!bones || env->ExceptionCheck()) {
            return nullptr;
        }
        for (int m = 0; m < count; ++m) {
            LocalRef<> bone(
                env, ConvertRigidBodyDescription(env, c.rigidBodyDescription, d.rigidBodies[m]));
            if (env->ExceptionCheck()) {
                return nullptr;
            }
            if (bone) {
                env->SetObjectArrayElement(bones.Get(), m, bone.Get());
            }
        }
        if (!CallSetter(env, o.Get(), k.setRigidBodies, bones.Get())) {
            return nullptr;
        }
    }
    return o.Release();
}

// Payload setter and converted payload for one entry; false when a Java call threw.
bool SetPayload(JNIEnv* env, const JavaClasses& c, jobject entry, const sDataDescription& d) {
    const auto& k = c.description;
    if (d.Data.Any == nullptr) {
        return true;
    }
    jmethodID setter = nullptr;
    jobject payload = nullptr;
    switch (d.type) {
        case Descriptor_MarkerSet:
            setter = k.setMarkerSetDescription;
            payload = ConvertMarkerSetDescription(env, c, *d.Data.MarkerSetDescription);
            break;
        case Descriptor_RigidBody:
            setter = k.setRigidBodyDescription;
            payload = ConvertRigidBodyDescription(env, c.rigidBodyDescription,
                                                  *d.Data.RigidBodyDescription);
            break;
        case Descriptor_Skeleton:
            setter = k.setSkeletonDescription;
            payload = ConvertSkeletonDescription(env, c, *d.Data.SkeletonDescription);
            break;
        default:
            return true;  // a force plate keeps only its kind
    }
    LocalRef<> held(env, payload);
    if (env->ExceptionCheck()) {
        return false;
    }
    return !held || CallSetter(env, entry, setter, held.Get());
}

jobject ConvertEntry(JNIEnv* env, const JavaClasses& c, const sDataDescription& d) {
    if (d.type < 0 || d.type >= kJavaDescriptorKinds) {
        return nullptr;  // no Java counterpart
    }
    LocalRef<> entry(env, c.description.New(env));
    if (!entry) {
        return nullptr;
    }
    jobject kind = c.descriptorKinds[d.type];
    if (kind != nullptr && !CallSetter(env, entry.Get(), c.description.setType, kind)) {
        return nullptr;
    }
    if (!SetPayload(env, c, entry.Get(), d)) {
        return nullptr;
    }
    return entry.Release();
}

bool SetBytes(JNIEnv* env, jobject target, jmethodID setter, const uint8_t* bytes) {
    if (setter == nullptr) {
        return true;
    }
    LocalRef<jbyteArray> array(env, env->NewByteArray(4));
    if (!array) {
        return !env->ExceptionCheck();
    }
    env->SetByteArrayRegion(array.Get(), 0, 4, reinterpret_cast<const jbyte*>(bytes));
    return CallSetter(env, target, setter, array.Get());
}

}  // namespace

jobject ConvertDescriptions(JNIEnv* env, const JavaClasses& c, const sDataDescriptions& set) {
    const auto& k = c.descriptions;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    int count = std::clamp(set.descriptionCount, 0, MAX_MODELS);
    if (!CallSetter(env, object.Get(), k.setDataDescriptionCount, set.descriptionCount)) {
        env->ExceptionClear();
        return nullptr;
    }
    LocalRef<jobjectArray> array(env, env->NewObjectArray(count, c.description.cls, nullptr));
    if (!array || env->ExceptionCheck()) {
        env->ExceptionClear();
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        LocalRef<> entry(env, ConvertEntry(env, c, set.descriptions[i]));
        if (env->ExceptionCheck()) {
            env->ExceptionClear();
            return nullptr;
        }
        if (entry) {
            env->SetObjectArrayElement(array.Get(), i, entry.Get());
        }
    }
    if (!CallSetter(env, object.Get(), k.setDataDescriptions, array.Get())) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

jobject ConvertServerDescription(JNIEnv* env, const JavaClasses& c, const sServerDescription& s) {
    const auto& k = c.serverDescription;
    LocalRef<> o(env, k.New(env));
    if (!o) {
        return nullptr;
    }
    bool ok = CallSetter(env, o.Get(), k.setHostPresent, static_cast<jboolean>(s.hostPresent)) &&
              CallStringSetter(env, o.Get(), k.setHostComputerName, s.hostComputerName,
                               sizeof(s.hostComputerName)) &&
              SetBytes(env, o.Get(), k.setHostComputerAddress, s.hostComputerAddress) &&
              CallStringSetter(env, o.Get(), k.setHostApp, s.hostApp, sizeof(s.hostApp)) &&
              SetBytes(env, o.Get(), k.setHostAppVersion, s.hostAppVersion) &&
              SetBytes(env, o.Get(), k.setMiravSDKVersion, s.sdkVersion);
    if (!ok) {
        env->ExceptionClear();
        return nullptr;
    }
    return o.Release();
}

}  // namespace mirav::jni
