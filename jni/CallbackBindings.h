// Java listeners registered with the library: one table per callback kind, keyed by registration
// token (the user-data value the library hands back), under the process-wide registration lock.
#ifndef MIRAV_JNI_CALLBACK_BINDINGS_H
#define MIRAV_JNI_CALLBACK_BINDINGS_H

#include <jni.h>

#include <cstdint>
#include <memory>

namespace mirav::jni {

enum class CallbackKind { kData, kForcePlate, kNotify, kAnalog, kConnectionState };

// One registration. The global references are deleted when the last holder lets go: the table
// (until a teardown) or a delivery that is still running when the teardown happens.
struct CallbackBinding {
    JavaVM* vm = nullptr;
    jobject listener = nullptr;  // global reference, never null
    jobject user = nullptr;      // global reference or null
    jmethodID method = nullptr;
    jlong client = 0;  // handle it was registered through (0: none, in tests)

    CallbackBinding() = default;
    CallbackBinding(const CallbackBinding&) = delete;
    CallbackBinding& operator=(const CallbackBinding&) = delete;
    ~CallbackBinding();
};

// Listener method name and descriptor for a kind.
const char* ListenerMethodName(CallbackKind kind);
const char* ListenerMethodSignature(CallbackKind kind);

// Makes the binding (global references, method looked up on the listener's class) and stores it
// under a fresh token. Returns the token, or 0 with the Java exception left pending (for example
// NoSuchMethodError when the listener lacks the method).
uint64_t RegisterListener(JNIEnv* env, CallbackKind kind, jobject listener, jobject user,
                          jlong client = 0);

// The binding stored under token in the kind's table, or null.
std::shared_ptr<const CallbackBinding> FindBinding(CallbackKind kind, uint64_t token);

// Removes every binding of every kind and client. References that a running delivery still
// holds are released by that delivery when it finishes.
void ReleaseAllBindings();

// Removes the bindings registered through one client handle.
void ReleaseBindingsOf(jlong client);

// Small number naming a client in thread names (1 for the first handle seen, and so on); 0 for
// handle 0.
int ClientSerial(jlong client);

// The process-wide message listener (the library has one message callback per process): set
// replaces it (null removes it), find returns the current one or null.
void SetMessageListener(JNIEnv* env, jobject listener);
std::shared_ptr<const CallbackBinding> FindMessageListener();

// Number of bindings stored, all kinds together (for tests).
size_t BindingCount();

}  // namespace mirav::jni

#endif
