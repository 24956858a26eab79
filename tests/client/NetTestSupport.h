// Shared pieces of the network tests of the client core: captured diagnostics, waiting for a
// condition, counting threads and descriptors, and a client core connected to a substitute
// server on ports of its own.
#ifndef MIRAV_TESTS_CLIENT_NET_TEST_SUPPORT_H
#define MIRAV_TESTS_CLIENT_NET_TEST_SUPPORT_H

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Server.h"
#include "client/ClientCore.h"
#include "gtest/gtest.h"
#include "platform/Diagnostics.h"
#include "store/GlobalObject.h"
#include "support/ProcessProbe.h"

namespace nettest {

// Ports of the internal tests, apart from the protocol's own.
constexpr uint16_t kCommandPort = 15230;
constexpr uint16_t kDataPort = 15231;
constexpr int kShortTeardownMs = 20;

// Every diagnostic line while alive, delivered through the process-wide message callback.
class MessageCapture {
public:
    MessageCapture() {
        Instance() = this;
        System::SetVerbosityLevel(System::kDefaultVerbosityLevel);
        System::SetMessageCallback(&Receive);
    }
    ~MessageCapture() {
        System::SetMessageCallback(nullptr);
        Instance() = nullptr;
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.clear();
    }
    size_t Count(const std::string& text) {
        size_t n = 0;
        for (const std::string& line : Lines()) n += line == text ? 1 : 0;
        return n;
    }
    // Lines that are not socket close notices (those accompany every teardown).
    std::vector<std::string> LinesWithoutCloseNotices() {
        std::vector<std::string> kept;
        for (const std::string& line : Lines()) {
            if (line.rfind("[BrisalSDKClient]", 0) != 0) kept.push_back(line);
        }
        return kept;
    }

private:
    static MessageCapture*& Instance() {
        static MessageCapture* current = nullptr;
        return current;
    }
    static void Receive(int, char* message) {
        if (MessageCapture* capture = Instance()) {
            std::lock_guard<std::mutex> guard(capture->lock_);
            capture->lines_.emplace_back(message);
        }
    }
    std::mutex lock_;
    std::vector<std::string> lines_;
};

inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

inline size_t ThreadCount() { return testsupport::ThreadCount(); }
// The process-wide object is made first: its locks are kernel handles on Windows that live as
// long as the process.
inline size_t DescriptorCount() {
    CGlobalObject::Instance();
    return testsupport::OpenHandleCount();
}

// Starts the socket library as the first client of a process does, for suites that use the
// socket facade without a client: AddGlobalTestEnvironment(new SocketLibraryEnvironment).
class SocketLibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        System::CPlatformResource& platform = CGlobalObject::Instance().Platform();
        if (!platform.IsStarted()) platform.Startup();
    }
};

// The handles open now are those open before, apart from handles the runtime opens once and keeps.
inline ::testing::AssertionResult HandlesAsBefore(size_t before) {
    const size_t now = DescriptorCount();
    if (now >= before && now <= before + testsupport::kRuntimeLazyHandles) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << now << " handles open, " << before << " before";
}

inline mirav::sim::ServerConfig ConfigOnPorts(uint16_t commandPort = kCommandPort,
                                              uint16_t dataPort = kDataPort) {
    mirav::sim::ServerConfig config;
    config.commandPort = commandPort;
    config.dataPort = dataPort;
    return config;
}

// A started server and a client core with short teardown pauses.
struct Connection {
    explicit Connection(mirav::sim::ServerConfig config = ConfigOnPorts())
        : server(config), core(std::make_unique<ClientCore>()) {
        core->SetTeardownPauseMs(kShortTeardownMs);
        started = server.Start();
    }
    int Initialize(const char* address = "127.0.0.1") {
        return core->Initialize(nullptr, address, server.Config().commandPort,
                                server.Config().dataPort);
    }
    mirav::sim::Server server;
    std::unique_ptr<ClientCore> core;
    bool started = false;
};

}  // namespace nettest

#endif
