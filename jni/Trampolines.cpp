// Deliveries from the receive threads to Java listeners. A library thread is attached to the
// virtual machine at its first delivery, as a daemon thread named after the client, and stays
// attached until it ends (ThreadExit.h), so a Java listener always runs on the same Thread object
// and its thread-locals survive between frames.
#include "Trampolines.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "CallbackBindings.h"
#include "FrameConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "ThreadExit.h"

namespace mirav::jni {
namespace {

constexpr jint kFrameCapacity = 64;
constexpr jint kSmallCapacity = 32;

// The calling thread's environment, attaching the thread for good when it is not attached yet.
// Detaches at the end of the scope only when no thread-exit hook could be set.
class ThreadEnv {
public:
    ThreadEnv(JavaVM* vm, const JavaClasses* classes, const char* name) : vm_(vm) {
        jint state = vm_->GetEnv(reinterpret_cast<void**>(&env_), kJniVersion);
        if (state == JNI_OK) {
            return;
        }
        env_ = nullptr;
        if (state != JNI_EDETACHED) {
            return;
        }
        JavaVMAttachArgs args{kJniVersion, const_cast<char*>(name), nullptr};
        if (vm_->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env_), &args) != JNI_OK) {
            env_ = nullptr;
            return;
        }
        detachAfter_ = !DetachAtThreadExit(vm_);
        if (classes != nullptr) {
            env_->CallStaticVoidMethod(classes->deliveries.cls,
                                       classes->deliveries.markLibraryThread);
            if (env_->ExceptionCheck()) {
                env_->ExceptionDescribe();
                env_->ExceptionClear();
            }
        }
    }
    ~ThreadEnv() {
        if (detachAfter_) {
            vm_->DetachCurrentThread();
        }
    }
    ThreadEnv(const ThreadEnv&) = delete;
    ThreadEnv& operator=(const ThreadEnv&) = delete;

    JNIEnv* Get() const { return env_; }

private:
    JavaVM* vm_;
    JNIEnv* env_ = nullptr;
    bool detachAfter_ = false;
};

// Receive threads carry frames and records ("-data"); the monitor thread reports connection
// state changes ("-monitor").
std::string ThreadName(CallbackKind kind, jlong client) {
    const bool monitor = kind == CallbackKind::kConnectionState;
    const int serial = ClientSerial(client);
    if (serial == 0) {
        return monitor ? "mirav-monitor" : "mirav-receive";
    }
    return "mirav-client-" + std::to_string(serial) + (monitor ? "-monitor" : "-data");
}

// Runs call(env, classes, binding) for the listener registered under token, inside a local frame;
// a Java exception thrown by the listener is printed and cleared here so that it never reaches
// the library's thread.
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
    ThreadEnv env(binding->vm, classes, ThreadName(kind, binding->client).c_str());
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
                jbyteArray array = NewByteArrayOf(env, bytes, static_cast<size_t>(size));
                if (array != nullptr) {
                    env->CallVoidMethod(b.listener, b.method, array);
                }
            });
}

}  // namespace

void DataTrampoline(sFrameOfMocapData* frame, void* token) {
    if (frame == nullptr) {
        return;
    }
    Deliver(CallbackKind::kData, token, kFrameCapacity,
            [frame](JNIEnv* env, const JavaClasses& c, const CallbackBinding& b) {
                jobject object = ConvertFrame(env, c, frame, true);
                if (object != nullptr) {
                    env->CallVoidMethod(b.listener, b.method, object, b.user);
                }
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

void ConnectionStateTrampoline(int state, int previousState, void* token) {
    // The codes become ConnectionState constants in Java, where an unknown code is reported
    // rather than delivered as a wrong state.
    Deliver(CallbackKind::kConnectionState, token, kSmallCapacity,
            [state, previousState](JNIEnv* env, const JavaClasses& c, const CallbackBinding& b) {
                env->CallStaticVoidMethod(c.deliveries.cls, c.deliveries.connectionState,
                                          b.listener, static_cast<jint>(state),
                                          static_cast<jint>(previousState));
            });
}

void MessageHook(int level, char* message) {
    if (message == nullptr) {
        return;
    }
    std::shared_ptr<const CallbackBinding> binding = FindMessageListener();
    const JavaClasses* classes = ResolvedClasses();
    if (binding == nullptr || classes == nullptr) {
        return;
    }
    ThreadEnv env(binding->vm, classes, "mirav-library");
    if (env.Get() == nullptr) {
        return;
    }
    JNIEnv* e = env.Get();
    // A Java caller's pending exception must survive the delivery of a line from its thread.
    LocalRef<jthrowable> pending(e, e->ExceptionOccurred());
    if (pending) {
        e->ExceptionClear();
    }
    {
        LocalFrame frame(e, kSmallCapacity);
        if (frame.Pushed()) {
            LocalRef<jbyteArray> text(e, NewByteArrayOf(e, message, std::strlen(message)));
            if (text) {
                e->CallStaticVoidMethod(classes->deliveries.cls, classes->deliveries.message,
                                        binding->listener, static_cast<jint>(level), text.Get());
            }
            if (e->ExceptionCheck()) {
                e->ExceptionDescribe();
                e->ExceptionClear();
            }
        }
    }
    if (pending) {
        e->Throw(pending.Get());
    }
    binding.reset();
}

}  // namespace mirav::jni
