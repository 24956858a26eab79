// Resolution of the binding's class and method table, under the class-cache lock.
#include "JavaClasses.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "JniSupport.h"

namespace mirav::jni {

jobject ModelClass::New(JNIEnv* env) const {
    jobject object = env->NewObject(cls, ctor);
    if (object == nullptr || env->ExceptionCheck()) {
        env->ExceptionClear();
        if (object != nullptr) {
            env->DeleteLocalRef(object);
        }
        return nullptr;
    }
    return object;
}

namespace {

constexpr const char* kModel = "com/mirav/sdk/model/";

std::mutex classCacheLock;
std::atomic<const JavaClasses*> resolvedClasses{nullptr};

// Looks classes and methods up; remembers whether anything required was missing. A missing
// setter is tolerated (its ID stays null and the converters skip it), a missing class or
// constructor is not.
class Resolver {
public:
    explicit Resolver(JNIEnv* env) : env_(env) {}

    bool Ok() const { return ok_; }

    // Drops every global reference taken so far (after a failed resolution).
    void ReleaseAll() {
        for (jobject global : globals_) {
            env_->DeleteGlobalRef(global);
        }
        globals_.clear();
    }

    jclass Class(const char* name) {
        LocalRef<jclass> local(env_, env_->FindClass(name));
        if (!local) {
            env_->ExceptionClear();
            ok_ = false;
            return nullptr;
        }
        auto global = static_cast<jclass>(Keep(local.Get()));
        if (global == nullptr) {
            ok_ = false;
        }
        return global;
    }

    void Model(ModelClass& model, const char* simpleName) {
        std::string name = std::string(kModel) + simpleName;
        model.cls = Class(name.c_str());
        if (model.cls != nullptr) {
            model.ctor = env_->GetMethodID(model.cls, "<init>", "()V");
            if (model.ctor == nullptr) {
                env_->ExceptionClear();
                ok_ = false;
            }
        }
    }

    jmethodID Method(jclass cls, const char* name, const char* signature) {
        if (cls == nullptr) {
            return nullptr;
        }
        jmethodID id = env_->GetMethodID(cls, name, signature);
        if (id == nullptr) {
            env_->ExceptionClear();
        }
        return id;
    }

    jobject StaticObject(jclass cls, const char* name, const char* signature) {
        if (cls == nullptr) {
            return nullptr;
        }
        jfieldID field = env_->GetStaticFieldID(cls, name, signature);
        if (field == nullptr) {
            env_->ExceptionClear();
            return nullptr;
        }
        LocalRef<> value(env_, env_->GetStaticObjectField(cls, field));
        if (env_->ExceptionCheck()) {
            env_->ExceptionClear();
            return nullptr;
        }
        return value ? Keep(value.Get()) : nullptr;
    }

private:
    jobject Keep(jobject local) {
        jobject global = env_->NewGlobalRef(local);
        if (global == nullptr) {
            env_->ExceptionClear();
        } else {
            globals_.push_back(global);
        }
        return global;
    }

    JNIEnv* env_;
    bool ok_ = true;
    std::vector<jobject> globals_;
};

constexpr const char* kInt = "(I)V";
constexpr const char* kFloat = "(F)V";
constexpr const char* kShort = "(S)V";
constexpr const char* kString = "(Ljava/lang/String;)V";
constexpr const char* kBytes = "([B)V";

void ResolveFrameClasses(Resolver& r, JavaClasses& c) {
    auto& f = c.frame;
    r.Model(f, "FrameOfMocapData");
    f.setFrame = r.Method(f.cls, "setFrame", kInt);
    f.setMarkerSetCount = r.Method(f.cls, "setMarkerSetCount", kInt);
    f.setRigidBodyCount = r.Method(f.cls, "setRigidBodyCount", kInt);
    f.setSkeletonCount = r.Method(f.cls, "setSkeletonCount", kInt);
    f.setLabeledMarkerCount = r.Method(f.cls, "setLabeledMarkerCount", kInt);
    f.setOtherMarkerCount = r.Method(f.cls, "setOtherMarkerCount", kInt);
    f.setAnalogDataCount = r.Method(f.cls, "setAnalogDataCount", kInt);
    f.setLatency = r.Method(f.cls, "setLatency", kFloat);
    f.setTimecode = r.Method(f.cls, "setTimecode", kInt);
    f.setTimecodeSubframe = r.Method(f.cls, "setTimecodeSubframe", kInt);
    f.setTimeStamp = r.Method(f.cls, "setTimeStamp", "(J)V");
    f.setParams = r.Method(f.cls, "setParams", kShort);
    f.setMocapData = r.Method(f.cls, "setMocapData", "([Lcom/mirav/sdk/model/MarkerSetData;)V");
    f.setRigidBodies = r.Method(f.cls, "setRigidBodies", "([Lcom/mirav/sdk/model/RigidBodyData;)V");
    f.setSkeletons = r.Method(f.cls, "setSkeletons", "([Lcom/mirav/sdk/model/SkeletonData;)V");
    f.setOtherMarkers = r.Method(f.cls, "setOtherMarkers", "([[F)V");
    f.setExtendData = r.Method(f.cls, "setExtendData", "(Lcom/mirav/sdk/model/FrameExtendData;)V");

    auto& ms = c.markerSet;
    r.Model(ms, "MarkerSetData");
    ms.setName = r.Method(ms.cls, "setName", kString);
    ms.setMarkerCount = r.Method(ms.cls, "setMarkerCount", kInt);
    ms.setMarkers = r.Method(ms.cls, "setMarkers", "([Lcom/mirav/sdk/model/Marker;)V");

    auto& m = c.marker;
    r.Model(m, "Marker");
    m.setId = r.Method(m.cls, "setId", kInt);
    m.setX = r.Method(m.cls, "setX", kFloat);
    m.setY = r.Method(m.cls, "setY", kFloat);
    m.setZ = r.Method(m.cls, "setZ", kFloat);
    m.setSize = r.Method(m.cls, "setSize", kFloat);

    auto& rb = c.rigidBody;
    r.Model(rb, "RigidBodyData");
    rb.setId = r.Method(rb.cls, "setId", kInt);
    rb.setX = r.Method(rb.cls, "setX", kFloat);
    rb.setY = r.Method(rb.cls, "setY", kFloat);
    rb.setZ = r.Method(rb.cls, "setZ", kFloat);
    rb.setQx = r.Method(rb.cls, "setQx", kFloat);
    rb.setQy = r.Method(rb.cls, "setQy", kFloat);
    rb.setQz = r.Method(rb.cls, "setQz", kFloat);
    rb.setQw = r.Method(rb.cls, "setQw", kFloat);
    rb.setMarkerCount = r.Method(rb.cls, "setMarkerCount", kInt);
    rb.setMarkerObjects = r.Method(rb.cls, "setMarkers", "([Lcom/mirav/sdk/model/Marker;)V");
    rb.setMarkerPositions = r.Method(rb.cls, "setMarkers", "([[F)V");
    rb.setMarkerIds = r.Method(rb.cls, "setMarkerIds", "([I)V");
    rb.setMarkerSizes = r.Method(rb.cls, "setMarkerSizes", "([F)V");
    rb.setMeanError = r.Method(rb.cls, "setMeanError", kFloat);
    rb.setParams = r.Method(rb.cls, "setParams", kShort);

    auto& s = c.skeleton;
    r.Model(s, "SkeletonData");
    s.setSkeletonId = r.Method(s.cls, "setSkeletonId", kInt);
    s.setRigidBodyCount = r.Method(s.cls, "setRigidBodyCount", kInt);
    s.setRigidBodyData =
        r.Method(s.cls, "setRigidBodyData", "([Lcom/mirav/sdk/model/RigidBodyData;)V");

    auto& e = c.extendData;
    r.Model(e, "FrameExtendData");
    e.setExtendDataNum = r.Method(e.cls, "setExtendDataNum", kInt);
    e.setRigidBodyExtendData =
        r.Method(e.cls, "setRigidBodyExtendData", "([Lcom/mirav/sdk/model/RigidBodyExtendData;)V");

    static const char* const kExtendSetters[kExtendFloatCount] = {
        "setRoll",     "setPitch",     "setYaw",     "setRollVel", "setPitchVel", "setYawVel",
        "setRollAvel", "setPitchAvel", "setYawAvel", "setXVel",    "setYVel",     "setZVel",
        "setRVel",     "setXAvel",     "setYAvel",   "setZAvel",   "setRAvel"};
    auto& x = c.rigidBodyExtend;
    r.Model(x, "RigidBodyExtendData");
    x.setId = r.Method(x.cls, "setId", kInt);
    for (int i = 0; i < kExtendFloatCount; ++i) {
        x.floatSetters[i] = r.Method(x.cls, kExtendSetters[i], kFloat);
    }

    auto& fp = c.forcePlates;
    r.Model(fp, "ForcePlates");
    fp.setFrameNumber = r.Method(fp.cls, "setFrameNumber", kInt);
    fp.setForcePlateCount = r.Method(fp.cls, "setForcePlateCount", kInt);
    fp.setForcePlates =
        r.Method(fp.cls, "setForcePlates", "([Lcom/mirav/sdk/model/ForcePlateData;)V");

    auto& p = c.forcePlate;
    r.Model(p, "ForcePlateData");
    p.setFx = r.Method(p.cls, "setFx", kFloat);
    p.setFy = r.Method(p.cls, "setFy", kFloat);
    p.setFz = r.Method(p.cls, "setFz", kFloat);
    p.setCopX = r.Method(p.cls, "setCopX", kFloat);
    p.setCopY = r.Method(p.cls, "setCopY", kFloat);
    p.setCopZ = r.Method(p.cls, "setCopZ", kFloat);
    p.setTz = r.Method(p.cls, "setTz", kFloat);
}

void ResolveDescriptionClasses(Resolver& r, JavaClasses& c) {
    auto& ds = c.descriptions;
    r.Model(ds, "DataDescriptions");
    ds.setDataDescriptionCount = r.Method(ds.cls, "setDataDescriptionCount", kInt);
    ds.setDataDescriptions =
        r.Method(ds.cls, "setDataDescriptions", "([Lcom/mirav/sdk/model/DataDescription;)V");

    auto& d = c.description;
    r.Model(d, "DataDescription");
    d.setType = r.Method(d.cls, "setType", "(Lcom/mirav/sdk/MiravSDKTypes$DataDescriptors;)V");
    d.setMarkerSetDescription =
        r.Method(d.cls, "setMarkerSetDescription", "(Lcom/mirav/sdk/model/MarkerSetDescription;)V");
    d.setRigidBodyDescription =
        r.Method(d.cls, "setRigidBodyDescription", "(Lcom/mirav/sdk/model/RigidBodyDescription;)V");
    d.setSkeletonDescription =
        r.Method(d.cls, "setSkeletonDescription", "(Lcom/mirav/sdk/model/SkeletonDescription;)V");

    auto& ms = c.markerSetDescription;
    r.Model(ms, "MarkerSetDescription");
    ms.setName = r.Method(ms.cls, "setName", kString);
    ms.setMarkerCount = r.Method(ms.cls, "setMarkerCount", kInt);
    ms.setMarkerNames = r.Method(ms.cls, "setMarkerNames", "([Ljava/lang/String;)V");

    auto& rb = c.rigidBodyDescription;
    r.Model(rb, "RigidBodyDescription");
    rb.setName = r.Method(rb.cls, "setName", kString);
    rb.setId = r.Method(rb.cls, "setId", kInt);
    rb.setParentId = r.Method(rb.cls, "setParentId", kInt);
    rb.setOffsetX = r.Method(rb.cls, "setOffsetX", kFloat);
    rb.setOffsetY = r.Method(rb.cls, "setOffsetY", kFloat);
    rb.setOffsetZ = r.Method(rb.cls, "setOffsetZ", kFloat);
    rb.setQx = r.Method(rb.cls, "setQx", kFloat);
    rb.setQy = r.Method(rb.cls, "setQy", kFloat);
    rb.setQz = r.Method(rb.cls, "setQz", kFloat);
    rb.setQw = r.Method(rb.cls, "setQw", kFloat);

    auto& sk = c.skeletonDescription;
    r.Model(sk, "SkeletonDescription");
    sk.setName = r.Method(sk.cls, "setName", kString);
    sk.setSkeletonId = r.Method(sk.cls, "setSkeletonId", kInt);
    sk.setRigidBodyCount = r.Method(sk.cls, "setRigidBodyCount", kInt);
    sk.setRigidBodies =
        r.Method(sk.cls, "setRigidBodies", "([Lcom/mirav/sdk/model/RigidBodyDescription;)V");

    auto& sv = c.serverDescription;
    r.Model(sv, "ServerDescription");
    sv.setHostPresent = r.Method(sv.cls, "setHostPresent", "(Z)V");
    sv.setHostComputerName = r.Method(sv.cls, "setHostComputerName", kString);
    sv.setHostComputerAddress = r.Method(sv.cls, "setHostComputerAddress", kBytes);
    sv.setHostApp = r.Method(sv.cls, "setHostApp", kString);
    sv.setHostAppVersion = r.Method(sv.cls, "setHostAppVersion", kBytes);
    sv.setMiravSDKVersion = r.Method(sv.cls, "setMiravSDKVersion", kBytes);

    static const char* const kKinds[kJavaDescriptorKinds] = {
        "Descriptor_MarkerSet", "Descriptor_RigidBody", "Descriptor_Skeleton",
        "Descriptor_ForcePlate"};
    jclass kinds = r.Class("com/mirav/sdk/MiravSDKTypes$DataDescriptors");
    for (int i = 0; i < kJavaDescriptorKinds; ++i) {
        c.descriptorKinds[i] =
            r.StaticObject(kinds, kKinds[i], "Lcom/mirav/sdk/MiravSDKTypes$DataDescriptors;");
    }
}

const JavaClasses* Resolve(JNIEnv* env) {
    auto* classes = new JavaClasses();
    Resolver r(env);
    ResolveFrameClasses(r, *classes);
    ResolveDescriptionClasses(r, *classes);
    classes->stringClass = r.Class("java/lang/String");
    classes->floatArrayClass = r.Class("[F");
    if (!r.Ok()) {
        r.ReleaseAll();  // the next native call from a Java thread tries again
        delete classes;
        return nullptr;
    }
    return classes;
}

}  // namespace

const JavaClasses* ClassesFromJavaThread(JNIEnv* env) {
    const JavaClasses* classes = resolvedClasses.load(std::memory_order_acquire);
    if (classes != nullptr) {
        return classes;
    }
    std::lock_guard<std::mutex> lock(classCacheLock);
    classes = resolvedClasses.load(std::memory_order_relaxed);
    if (classes == nullptr) {
        classes = Resolve(env);
        resolvedClasses.store(classes, std::memory_order_release);
    }
    return classes;
}

const JavaClasses* ResolvedClasses() { return resolvedClasses.load(std::memory_order_acquire); }

}  // namespace mirav::jni
