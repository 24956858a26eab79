// Many Initialize/Uninitialize cycles while frames stream and another thread polls the store;
// afterwards no thread or descriptor of the client is left. MIRAV_STRESS_CYCLES sets the count
// (the long run under the CTest label "long" uses more).
#include <atomic>
#include <cstdlib>

#include "NetTestSupport.h"
#include "gtest/gtest.h"
#include "store/GlobalObject.h"

using namespace nettest;

namespace {

int CyclesToRun() {
    const char* text = std::getenv("MIRAV_STRESS_CYCLES");
    const int cycles = text != nullptr ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 100;
}

std::atomic<int> gFrames{0};
void CountFrame(sFrameOfMocapData* frame, void*) {
    if (frame->rigidBodyCount > 0) gFrames.fetch_add(1);
}

}  // namespace

TEST(Stress, InitializeCyclesWhileFramesStreamLeaveNothingBehind) {
    mirav::sim::Server server(ConfigOnPorts());
    ASSERT_TRUE(server.Start()) << server.Error();
    server.StartStreaming(500);
    std::atomic<bool> polling{true};
    std::atomic<long> polls{0};
    std::thread poller([&] {
        FrameStore& store = CGlobalObject::Instance().Store();
        while (polling.load()) {
            store.TakeFrame();
            sRigidBodyData* body = nullptr;
            store.GetLastFrameRigidBodyByName("RigidBody1", &body);
            polls.fetch_add(1);
            std::this_thread::yield();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const size_t threadsBefore = ThreadCount();
    const size_t descriptorsBefore = DescriptorCount();

    const int cycles = CyclesToRun();
    int withFrames = 0;
    std::unique_ptr<ClientCore> core;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (cycle % 10 == 0) {
            core = std::make_unique<ClientCore>();
            core->SetTeardownPauseMs(kShortTeardownMs);
            core->SetDataCallback(&CountFrame, nullptr);
        }
        ASSERT_EQ(core->Initialize(nullptr, "127.0.0.1", kCommandPort, kDataPort), 0)
            << "cycle " << cycle;
        const int seen = gFrames.load();
        if (WaitUntil([&] { return gFrames.load() > seen; }, std::chrono::milliseconds(500))) {
            ++withFrames;
        }
        // Every few cycles a request runs right up to Uninitialize.
        if (cycle % 7 == 0) {
            sServerDescription description{};
            EXPECT_EQ(core->GetServerDescription(&description), 0);
        }
        ASSERT_EQ(core->Uninitialize(), 0);
    }
    core.reset();
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_TRUE(HandlesAsBefore(descriptorsBefore));
    EXPECT_GE(withFrames, cycles * 9 / 10);

    polling = false;
    poller.join();
    server.Stop();
    EXPECT_GT(polls.load(), 0);
}
