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
            Missing(name, "");
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
                Missing(name.c_str(), "<init>()V");
            }
        }
    }

    jmethodID Method(jclass cls, const char* name, const char* signature) {
        if (cls == nullptr) {
            return nullptr;
        }
        jmethodID id = env_->GetMethodID(cls, name, signature);
        if (id == nullptr) {
            Missing(name, signature);
        }
        return id;
    }

    jmethodID StaticMethod(jclass cls, const char* name, const char* signature) {
        if (cls == nullptr) {
            return nullptr;
        }
        jmethodID id = env_->GetStaticMethodID(cls, name, signature);
        if (id == nullptr) {
            Missing(name, signature);
        }
        return id;
    }

    const std::string& MissingNames() const { return missing_; }

    jobject StaticObject(jclass cls, const char* name, const char* signature) {
        if (cls == nullptr) {
            return nullptr;
        }
        jfieldID field = env_->GetStaticFieldID(cls, name, signature);
        if (field == nullptr) {
            Missing(name, signature);
            return nullptr;
        }
        LocalRef<> value(env_, env_->GetStaticObjectField(cls, field));
        if (!value) {
            Missing(name, signature);
            return nullptr;
        }
        return Keep(value.Get());
    }

private:
    // A lookup failed: NoSuchMethodError (or the like) is cleared here and the name remembered.
    void Missing(const char* name, const char* signature) {
        env_->ExceptionClear();
        ok_ = false;
        missing_ += missing_.empty() ? "" : ", ";
        missing_ += name;
        missing_ += signature;
    }

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
    std::string missing_;
    std::vector<jobject> globals_;
};

constexpr const char* kInt = "(I)V";
constexpr const char* kFloat = "(F)V";
constexpr const char* kShort = "(S)V";
constexpr const char* kString = "(Ljava/lang/String;)V";
constexpr const char* kBytes = "([B)V";

void ResolveFrameClasses(Resolver& r, JavaClasses& c) {
    auto& rr = c.reader;
    rr.cls = r.Class("com/mirav/sdk/RecordReader");
    rr.frame = r.StaticMethod(rr.cls, "frame", "([B)Lcom/mirav/sdk/model/FrameOfMocapData;");
    rr.extendData =
        r.StaticMethod(rr.cls, "extendData", "([B)Lcom/mirav/sdk/model/FrameExtendData;");
    rr.queryRigidBody =
        r.StaticMethod(rr.cls, "queryRigidBody", "([B)Lcom/mirav/sdk/model/RigidBodyData;");
    rr.labeledMarkers =
        r.StaticMethod(rr.cls, "labeledMarkers", "([B)[Lcom/mirav/sdk/model/Marker;");

    auto& d = c.deliveries;
    d.cls = r.Class("com/mirav/sdk/Deliveries");
    d.markLibraryThread = r.StaticMethod(d.cls, "markLibraryThread", "()V");
    d.message = r.StaticMethod(d.cls, "message", "(Ljava/lang/Object;I[B)V");

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

std::mutex unresolvedLock;
std::string unresolved;

const JavaClasses* Resolve(JNIEnv* env) {
    auto* classes = new JavaClasses();
    Resolver r(env);
    ResolveFrameClasses(r, *classes);
    ResolveDescriptionClasses(r, *classes);
    classes->stringClass = r.Class("java/lang/String");
    classes->floatArrayClass = r.Class("[F");
    {
        std::lock_guard<std::mutex> lock(unresolvedLock);
        unresolved = r.MissingNames();
    }
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

std::string UnresolvedNames() {
    std::lock_guard<std::mutex> lock(unresolvedLock);
    return unresolved;
}

const JavaClasses* ResolvedClasses() { return resolvedClasses.load(std::memory_order_acquire); }

}  // namespace mirav::jni
