#include "client/Callbacks.h"

namespace mirav {

CallbackSlots& CallbackSlots::Instance() {
    static CallbackSlots slots;
    return slots;
}

void CallbackContexts::Set(int32_t kind, void* context) {
    std::lock_guard<std::mutex> guard(lock_);
    contexts_[kind] = context;
}

void* CallbackContexts::Get(int32_t kind) const {
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = contexts_.find(kind);
    return found == contexts_.end() ? nullptr : found->second;
}

void CallbackContexts::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    contexts_.clear();
}

}  // namespace mirav
