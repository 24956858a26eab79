// Resolution of the binding's class and method table, under the class-cache lock.
#include "JavaClasses.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "JniSupport.h"

namespace mirav::jni {
namespace {

std::mutex classCacheLock;
std::atomic<const JavaClasses*> resolvedClasses{nullptr};
std::mutex unresolvedLock;
std::string unresolved;

// Looks classes and static methods up; every miss is remembered by name and makes the whole
// resolution fail.
class Resolver {
public:
    explicit Resolver(JNIEnv* env) : env_(env) {}

    bool Ok() const { return missing_.empty(); }
    const std::string& MissingNames() const { return missing_; }

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
        jobject global = env_->NewGlobalRef(local.Get());
        if (global == nullptr) {
            Missing(name, "");
            return nullptr;
        }
        globals_.push_back(global);
        return static_cast<jclass>(global);
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

private:
    // A lookup failed: the pending NoSuchMethodError (or the like) is cleared here and the name
    // remembered for the error that stops the loading.
    void Missing(const char* name, const char* signature) {
        env_->ExceptionClear();
        missing_ += missing_.empty() ? "" : ", ";
        missing_ += name;
        missing_ += signature;
    }

    JNIEnv* env_;
    std::string missing_;
    std::vector<jobject> globals_;
};

void ResolveReader(Resolver& r, RecordReaderClass& k) {
    k.cls = r.Class("com/mirav/sdk/RecordReader");
    k.frame = r.StaticMethod(k.cls, "frame", "([B)Lcom/mirav/sdk/model/FrameOfMocapData;");
    k.extendData = r.StaticMethod(k.cls, "extendData", "([B)Lcom/mirav/sdk/model/FrameExtendData;");
    k.queryRigidBody =
        r.StaticMethod(k.cls, "queryRigidBody", "([B)Lcom/mirav/sdk/model/RigidBodyData;");
    k.labeledMarkers = r.StaticMethod(k.cls, "labeledMarkers", "([B)[Lcom/mirav/sdk/model/Marker;");
    k.forcePlates = r.StaticMethod(k.cls, "forcePlates", "([B)Lcom/mirav/sdk/model/ForcePlates;");
    k.descriptions =
        r.StaticMethod(k.cls, "descriptions", "([B)Lcom/mirav/sdk/model/DataDescriptions;");
    k.serverDescription =
        r.StaticMethod(k.cls, "serverDescription", "([B)Lcom/mirav/sdk/model/ServerDescription;");
}

const JavaClasses* Resolve(JNIEnv* env) {
    auto* classes = new JavaClasses();
    Resolver r(env);
    ResolveReader(r, classes->reader);
    auto& d = classes->deliveries;
    d.cls = r.Class("com/mirav/sdk/Deliveries");
    d.markLibraryThread = r.StaticMethod(d.cls, "markLibraryThread", "()V");
    d.message = r.StaticMethod(d.cls, "message", "(Ljava/lang/Object;I[B)V");
    d.connectionState = r.StaticMethod(d.cls, "connectionState", "(Ljava/lang/Object;II)V");
    {
        std::lock_guard<std::mutex> lock(unresolvedLock);
        unresolved = r.MissingNames();
    }
    if (!r.Ok()) {
        r.ReleaseAll();
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
