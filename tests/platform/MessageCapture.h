// Collects the diagnostics delivered to the message callback, from any thread, for one test.
#ifndef MIRAV_TESTS_PLATFORM_MESSAGECAPTURE_H
#define MIRAV_TESTS_PLATFORM_MESSAGECAPTURE_H

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Diagnostics.h"

namespace mirav_test {

using Message = std::pair<int, std::string>;

class MessageCapture {
public:
    MessageCapture() {
        Clear();
        System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
        System::SetMessageCallback(&Receive);
    }
    ~MessageCapture() {
        System::SetMessageCallback(nullptr);
        System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
    }

    static std::vector<Message> Take() {
        std::lock_guard<std::mutex> hold(Lock());
        std::vector<Message> taken;
        taken.swap(Store());
        return taken;
    }
    static void Clear() { Take(); }

private:
    static void Receive(int level, char* text) {
        std::lock_guard<std::mutex> hold(Lock());
        Store().emplace_back(level, text);
    }
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }
    static std::vector<Message>& Store() {
        static std::vector<Message> store;
        return store;
    }
};

}  // namespace mirav_test

#endif
