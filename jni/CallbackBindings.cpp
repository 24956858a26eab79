// Registration tables and the token counter.
#include "CallbackBindings.h"

#include <map>
#include <mutex>
#include <vector>

#include "JniSupport.h"

namespace mirav::jni {
namespace {

using Table = std::map<uint64_t, std::shared_ptr<const CallbackBinding>>;

std::mutex registrationLock;
uint64_t nextToken = 1;  // 0 is never issued: it means "nothing registered"
Table tables[4];

Table& TableOf(CallbackKind kind) { return tables[static_cast<int>(kind)]; }

}  // namespace

CallbackBinding::~CallbackBinding() {
    JNIEnv* env = nullptr;
    // The last holder is a Java thread (teardown) or an attached receive thread (delivery).
    if (vm == nullptr || vm->GetEnv(reinterpret_cast<void**>(&env), kJniVersion) != JNI_OK) {
        return;
    }
    if (listener != nullptr) {
        env->DeleteGlobalRef(listener);
    }
    if (user != nullptr) {
        env->DeleteGlobalRef(user);
    }
}

const char* ListenerMethodName(CallbackKind kind) {
    switch (kind) {
        case CallbackKind::kData:
            return "onDataReceived";
        case CallbackKind::kForcePlate:
            return "onForcePlateReceived";
        case CallbackKind::kNotify:
            return "onNotifyMsgReceived";
        case CallbackKind::kAnalog:
            return "onAnalogChannelReceived";
    }
    return "";
}

const char* ListenerMethodSignature(CallbackKind kind) {
    switch (kind) {
        case CallbackKind::kData:
            return "(Lcom/mirav/sdk/model/FrameOfMocapData;Ljava/lang/Object;)V";
        case CallbackKind::kForcePlate:
            return "(Lcom/mirav/sdk/model/ForcePlates;Ljava/lang/Object;)V";
        case CallbackKind::kNotify:
        case CallbackKind::kAnalog:
            return "([B)V";
    }
    return "";
}

uint64_t RegisterListener(JNIEnv* env, CallbackKind kind, jobject listener, jobject user) {
    auto binding = std::make_shared<CallbackBinding>();
    if (env->GetJavaVM(&binding->vm) != JNI_OK) {
        return 0;
    }
    {
        LocalRef<jclass> cls(env, env->GetObjectClass(listener));
        binding->method =
            env->GetMethodID(cls.Get(), ListenerMethodName(kind), ListenerMethodSignature(kind));
    }
    if (binding->method == nullptr) {
        return 0;  // NoSuchMethodError stays pending for the Java caller
    }
    binding->listener = env->NewGlobalRef(listener);
    binding->user = user != nullptr ? env->NewGlobalRef(user) : nullptr;
    if (binding->listener == nullptr || (user != nullptr && binding->user == nullptr)) {
        return 0;  // OutOfMemoryError pending; the destructor drops what was taken
    }
    std::lock_guard<std::mutex> lock(registrationLock);
    uint64_t token = nextToken++;
    TableOf(kind).emplace(token, std::move(binding));
    return token;
}

std::shared_ptr<const CallbackBinding> FindBinding(CallbackKind kind, uint64_t token) {
    std::lock_guard<std::mutex> lock(registrationLock);
    const Table& table = TableOf(kind);
    auto found = table.find(token);
    return found == table.end() ? nullptr : found->second;
}

void ReleaseAllBindings() {
    // Taken out under the lock, released after it: a binding's destructor calls into the VM.
    std::vector<std::shared_ptr<const CallbackBinding>> released;
    {
        std::lock_guard<std::mutex> lock(registrationLock);
        for (Table& table : tables) {
            for (auto& entry : table) {
                released.push_back(std::move(entry.second));
            }
            table.clear();
        }
    }
}

size_t BindingCount() {
    std::lock_guard<std::mutex> lock(registrationLock);
    size_t count = 0;
    for (const Table& table : tables) {
        count += table.size();
    }
    return count;
}

}  // namespace mirav::jni
