// Registration tables and the token counter.
#include "CallbackBindings.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "JniSupport.h"

namespace mirav::jni {
namespace {

using Table = std::map<uint64_t, std::shared_ptr<const CallbackBinding>>;

std::mutex registrationLock;
uint64_t nextToken = 1;  // 0 is never issued: it means "nothing registered"
Table tables[5];
std::shared_ptr<const CallbackBinding> messageListener;
std::map<jlong, int> clientSerials;

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
        case CallbackKind::kConnectionState:
            return "onConnectionStateChanged";
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
        case CallbackKind::kConnectionState:
            return "(Lcom/mirav/sdk/ConnectionState;Lcom/mirav/sdk/ConnectionState;)V";
    }
    return "";
}

uint64_t RegisterListener(JNIEnv* env, CallbackKind kind, jobject listener, jobject user,
                          jlong client) {
    auto binding = std::make_shared<CallbackBinding>();
    binding->client = client;
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

void ReleaseBindingsOf(jlong client) {
    std::vector<std::shared_ptr<const CallbackBinding>> released;
    {
        std::lock_guard<std::mutex> lock(registrationLock);
        for (Table& table : tables) {
            for (auto entry = table.begin(); entry != table.end();) {
                if (entry->second->client == client) {
                    released.push_back(std::move(entry->second));
                    entry = table.erase(entry);
                } else {
                    ++entry;
                }
            }
        }
    }
}

int ClientSerial(jlong client) {
    if (client == 0) {
        return 0;
    }
    static int nextSerial = 1;
    std::lock_guard<std::mutex> lock(registrationLock);
    auto found = clientSerials.find(client);
    if (found == clientSerials.end()) {
        found = clientSerials.emplace(client, nextSerial++).first;
    }
    return found->second;
}

void SetMessageListener(JNIEnv* env, jobject listener) {
    std::shared_ptr<const CallbackBinding> binding;
    if (listener != nullptr) {
        auto made = std::make_shared<CallbackBinding>();
        if (env->GetJavaVM(&made->vm) == JNI_OK) {
            made->listener = env->NewGlobalRef(listener);
        }
        if (made->listener != nullptr) {
            binding = std::move(made);
        }
    }
    std::shared_ptr<const CallbackBinding> previous;
    {
        std::lock_guard<std::mutex> lock(registrationLock);
        previous = std::exchange(messageListener, std::move(binding));
    }
}

std::shared_ptr<const CallbackBinding> FindMessageListener() {
    std::lock_guard<std::mutex> lock(registrationLock);
    return messageListener;
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
