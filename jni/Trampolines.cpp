// Deliveries from the receive threads to Java listeners.
#include "Trampolines.h"

#include <cstdint>

#include "CallbackBindings.h"
#include "FrameConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"

namespace mirav::jni {
namespace {

constexpr jint kFrameCapacity = 2048;
constexpr jint kSmallCapacity = 32;

// Attaches the current thread for the duration of one delivery if it is not attached yet.
class ThreadEnv {
public:
    explicit ThreadEnv(JavaVM* vm) : vm_(vm) {
        jint state = vm_->GetEnv(reinterpret_cast<void**>(&env_), kJniVersion);
        if (state == JNI_EDETACHED) {
            env_ = nullptr;
            if (vm_->AttachCurrentThread(reinterpret_cast<void**>(&env_), nullptr) == JNI_OK) {
                attached_ = true;
            } else {
                env_ = nullptr;
            }
        } else if (state != JNI_OK) {
            env_ = nullptr;
        }
    }
    ~ThreadEnv() {
        if (attached_) {
            vm_->DetachCurrentThread();
        }
    }
    ThreadEnv(const ThreadEnv&) = delete;
    ThreadEnv& operator=(const ThreadEnv&) = delete;

    JNIEnv* Get() const { return env_; }

private:
    JavaVM* vm_;
    JNIEnv* env_ = nullptr;
    bool attached_ = false;
};

// Runs call(env, classes, binding, args...) for the listener registered under token, inside a
// local frame; a Java exception thrown by the listener is printed and cleared here so that it
// never reaches the library's thread.
template <class Call>
void Deliver(CallbackKind kind, void* token, jint capacity, Call call) {
    auto value = reinterpret_cast<uintptr_t>(token);
    if (value == 0) {
        return;
    }
    std::shared_ptr<const CallbackBinding> binding = FindBinding(kind, value);
    const JavaClasses* classes = ResolvedClasses();
    if (binding == nullptr || classes == nullptr) {
        return;
    }
    ThreadEnv env(binding->vm);
    if (env.Get() == nullptr) {
        return;
    }
    {
        LocalFrame frame(env.Get(), capacity);
        if (frame.Pushed()) {
            call(env.Get(), *classes, *binding);
            if (env.Get()->ExceptionCheck()) {
                env.Get()->ExceptionDescribe();
                env.Get()->ExceptionClear();
            }
        }
    }
    binding.reset();  // may release the global references; the thread is still attached here
}

void DeliverBytes(CallbackKind kind, void* token, const void* bytes, jsize size) {
    Deliver(kind, token, kSmallCapacity,
            [&](JNIEnv* env, const JavaClasses&, const CallbackBinding& b) {
                jbyteArray array = env->NewByteArray(size);
                if (array == nullptr) {
                    return;  // OutOfMemoryError is printed and cleared by Deliver
                }
                env->SetByteArrayRegion(array, 0, size, static_cast<const jbyte*>(bytes));
                env->CallVoidMethod(b.listener, b.method, array);
            });
}

}  // namespace

void DataTrampoline(sFrameOfMocapData* frame, void* token) {
    if (frame == nullptr) {
        return;
    }
    Deliver(CallbackKind::kData, token, kFrameCapacity,
            [frame](JNIEnv* env, const JavaClasses& c, const CallbackBinding& b) {
                jobject object = ConvertFrame(env, c, frame);
                if (object == nullptr) {
                    return;
                }
                LocalRef<> extend(env, ConvertExtendData(env, c, frame->extendData));
                if (extend && !CallSetter(env, object, c.frame.setExtendData, extend.Get())) {
                    return;
                }
                env->CallVoidMethod(b.listener, b.method, object, b.user);
            });
}

void ForcePlateTrampoline(sForcePlates* plates, void* token) {
    if (plates == nullptr) {
        return;
    }
    Deliver(CallbackKind::kForcePlate, token, kSmallCapacity,
            [plates](JNIEnv* env, const JavaClasses& c, const CallbackBinding& b) {
                jobject object = ConvertForcePlates(env, c, *plates);
                if (object != nullptr) {
                    env->CallVoidMethod(b.listener, b.method, object, b.user);
                }
            });
}

void NotifyTrampoline(sNotifyMsg* message, void* token) {
    if (message != nullptr) {
        DeliverBytes(CallbackKind::kNotify, token, message->data, sizeof(message->data));
    }
}

void AnalogTrampoline(sFrameOfAnalogChannelData* analog, void* token) {
    if (analog != nullptr) {
        DeliverBytes(CallbackKind::kAnalog, token, analog->data, sizeof(analog->data));
    }
}

void MessageHook(int, char*) {}

}  // namespace mirav::jni
