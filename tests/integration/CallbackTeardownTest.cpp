// Uninitialize and DestroyClient called from a library callback: the receive thread must not wait
// for itself. Both answer 1 at once with a level-1 line; the client keeps working and is torn
// down normally afterwards from the application's thread.
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Server.h"
#include "gtest/gtest.h"
#include "mirav/Mirav.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Attempt {
    MiravSDKClient* client = nullptr;
    bool flat = false;
    std::atomic<bool> armed{false};  // set once Initialize has returned
    std::atomic<int> frames{0};
    std::atomic<int> uninitializeResult{-1};
    std::atomic<int> destroyResult{-1};
    std::atomic<long long> longestCallMs{0};
};

std::mutex linesLock;
std::vector<std::string> lines;

void OnMessage(int level, char* message) {
    if (level == 1 && message != nullptr) {
        std::lock_guard<std::mutex> guard(linesLock);
        lines.emplace_back(message);
    }
}

void OnFrame(sFrameOfMocapData*, void* context) {
    auto* attempt = static_cast<Attempt*>(context);
    // Frames may arrive while Initialize still runs; the attempt is made on an initialised client.
    if (!attempt->armed.load() || attempt->frames.fetch_add(1) != 0) return;
    const auto start = Clock::now();
    if (attempt->flat) {
        attempt->uninitializeResult = Uninitialize(attempt->client);
        attempt->destroyResult = DestroyClient(attempt->client);
    } else {
        attempt->uninitializeResult = attempt->client->Uninitialize();
    }
    attempt->longestCallMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool WaitFor(const std::atomic<int>& value, int atLeast) {
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end && value.load() < atLeast) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return value.load() >= atLeast;
}

char gLoopback[] = "127.0.0.1";

}  // namespace

TEST(CallbackTeardown, UninitializeAndDestroyFromACallbackAnswerOneAtOnce) {
    mirav::sim::Server server;
    ASSERT_TRUE(server.Start()) << server.Error();
    server.StartStreaming(200);
    for (bool flat : {false, true}) {
        SCOPED_TRACE(flat ? "flat functions" : "class members");
        {
            std::lock_guard<std::mutex> guard(linesLock);
            lines.clear();
        }
        Attempt attempt;
        attempt.flat = flat;
        ASSERT_EQ(CreateClient(&attempt.client), 0);
        SetMessageCallback(attempt.client, &OnMessage);
        SetDataCallback(attempt.client, &OnFrame, &attempt);
        ASSERT_EQ(Initialize(attempt.client, gLoopback), 0);
        attempt.armed = true;

        ASSERT_TRUE(WaitFor(attempt.frames, 3)) << "frames keep coming after the refusal";
        EXPECT_EQ(attempt.uninitializeResult.load(), 1);
        if (flat) {
            EXPECT_EQ(attempt.destroyResult.load(), 1);
        }
        EXPECT_LT(attempt.longestCallMs.load(), 1000) << "answered at once";
        {
            std::lock_guard<std::mutex> guard(linesLock);
            ASSERT_FALSE(lines.empty());
            EXPECT_NE(lines[0].find("library thread"), std::string::npos) << lines[0];
        }
        // From the application's thread both work as always.
        EXPECT_EQ(Uninitialize(attempt.client), 0);
        SetMessageCallback(attempt.client, nullptr);
        EXPECT_EQ(DestroyClient(attempt.client), 0);
    }
    server.StopStreaming();
    server.Stop();
}
