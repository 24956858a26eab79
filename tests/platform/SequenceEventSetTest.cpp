#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageCapture.h"
#include "platform/Sync.h"

namespace {

using mirav_test::Message;
using mirav_test::MessageCapture;
using Messages = std::vector<Message>;

class SequenceEventSet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(set.Open(), System::kResultOk); }
    void TearDown() override { set.Shutdown(); }

    MessageCapture capture;
    System::CSequenceEventSet set;
};

TEST_F(SequenceEventSet, SignalBeforeWaitIsKeptButDoesNotCount) {
    ASSERT_EQ(set.Add(2), System::kResultOk);
    std::thread receiver([&] {
        set.Signal(2);
        set.Signal(2);
    });
    receiver.join();
    EXPECT_EQ(set.Wait(2, 5000), System::kResultOk);

    uint64_t start = System::TickCountMs();
    EXPECT_EQ(set.Wait(2, 60), System::kResultTimedOut);
    EXPECT_GE(System::TickCountMs() - start, 60u);
    EXPECT_TRUE(MessageCapture::Take().empty());
}

TEST_F(SequenceEventSet, SignalFromAnotherThreadWakesTheWaiter) {
    ASSERT_EQ(set.Add(4), System::kResultOk);
    std::thread receiver([&] {
        System::SleepMs(30);
        set.Signal(4);
    });
    EXPECT_EQ(set.Wait(4, 5000), System::kResultOk);
    receiver.join();
    EXPECT_EQ(set.Remove(4), System::kResultOk);
    EXPECT_EQ(set.Count(), 0u);
}

TEST_F(SequenceEventSet, UnknownNumberFailsAtOnceWithoutMessage) {
    ASSERT_EQ(set.Add(2), System::kResultOk);
    uint64_t start = System::TickCountMs();
    EXPECT_EQ(set.Wait(42, 5000), System::kResultFailed);
    EXPECT_LT(System::TickCountMs() - start, 5000u);
    EXPECT_EQ(set.Signal(42), System::kResultFailed);
    EXPECT_EQ(set.Remove(42), System::kResultFailed);
    EXPECT_TRUE(MessageCapture::Take().empty());
}

TEST_F(SequenceEventSet, RemoveOfDuplicateNumberTakesOnlyTheFirst) {
    ASSERT_EQ(set.Add(6), System::kResultOk);
    ASSERT_EQ(set.Add(6), System::kResultOk);
    ASSERT_EQ(set.Signal(6), System::kResultOk);  // sets the first of the two
    EXPECT_EQ(set.Remove(6), System::kResultOk);
    EXPECT_EQ(set.Count(), 1u);
    // The remaining event is the second one, which was never set.
    EXPECT_EQ(set.Wait(6, 30), System::kResultTimedOut);
    EXPECT_EQ(set.Remove(6), System::kResultOk);
    EXPECT_EQ(set.Remove(6), System::kResultFailed);
}

TEST_F(SequenceEventSet, RemoveReleasesItsWaiter) {
    ASSERT_EQ(set.Add(8), System::kResultOk);
    std::atomic<int> result{-1};
    std::thread requester([&] { result = set.Wait(8, 10000); });
    System::SleepMs(50);
    EXPECT_EQ(set.Remove(8), System::kResultOk);
    requester.join();
    EXPECT_EQ(result.load(), System::kResultOk);
}

TEST_F(SequenceEventSet, ShutdownReleasesEveryBlockedWaiter) {
    constexpr int kWaiters = 3;
    std::atomic<int> started{0};
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        int32_t sequence = 2 * (i + 1);
        ASSERT_EQ(set.Add(sequence), System::kResultOk);
        waiters.emplace_back([&, sequence] {
            ++started;
            if (set.Wait(sequence, 10000) == System::kResultOk) ++released;
        });
    }
    while (started.load() < kWaiters) System::SleepMs(1);
    System::SleepMs(100);  // let them reach their waits

    uint64_t start = System::TickCountMs();
    EXPECT_EQ(set.Shutdown(), System::kResultOk);
    for (auto& waiter : waiters) waiter.join();
    EXPECT_LT(System::TickCountMs() - start, 10000u);
    EXPECT_EQ(released.load(), kWaiters);
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Wait(2, 0), System::kResultFailed);

    // The set can be opened and used again.
    ASSERT_EQ(set.Open(), System::kResultOk);
    ASSERT_EQ(set.Add(10), System::kResultOk);
    EXPECT_EQ(set.Signal(10), System::kResultOk);
    EXPECT_EQ(set.Wait(10, 1000), System::kResultOk);
    EXPECT_TRUE(MessageCapture::Take().empty());
}

TEST_F(SequenceEventSet, SignalAllWakesEveryWaiterAndKeepsTheEvents) {
    ASSERT_EQ(set.Add(2), System::kResultOk);
    ASSERT_EQ(set.Add(4), System::kResultOk);
    EXPECT_EQ(set.SignalAll(), System::kResultOk);
    EXPECT_EQ(set.Wait(2, 1000), System::kResultOk);
    EXPECT_EQ(set.Wait(4, 1000), System::kResultOk);
    EXPECT_EQ(set.Count(), 2u);
}

TEST_F(SequenceEventSet, EventNumberedZeroIsReportedAsUnused) {
    ASSERT_EQ(set.Add(0), System::kResultOk);
    EXPECT_EQ(set.Signal(0), System::kResultFailed);
    EXPECT_EQ(set.Wait(0, 1000), System::kResultFailed);
    EXPECT_EQ(set.SignalAll(), System::kResultOk);
    EXPECT_EQ(set.Remove(0), System::kResultOk);
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "[MiravSDKClient] 104 Failed.\n"},
                                                {1, "[MiravSDKClient] 123 Failed.\n"},
                                                {1, "[MiravSDKClient] 104 Failed.\n"},
                                                {1, "[MiravSDKClient] 66 Failed.\n"}}));
}

// Requesters add, wait and remove while a receiver signals and a teardown repeatedly wakes
// and shuts the set down. Nothing may crash or hang; run under ThreadSanitizer for races.
TEST_F(SequenceEventSet, ConcurrentRequestsSurviveRepeatedTeardown) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int r = 0; r < 4; ++r) {
        threads.emplace_back([&, r] {
            int32_t sequence = 2 * (r + 1);
            while (!stop.load()) {
                set.Add(sequence);
                int result = set.Wait(sequence, 20);
                EXPECT_TRUE(result == System::kResultOk || result == System::kResultFailed ||
                            result == System::kResultTimedOut);
                set.Remove(sequence);
            }
        });
    }
    threads.emplace_back([&] {
        for (int32_t n = 0; !stop.load(); n = (n + 1) % 4) set.Signal(2 * (n + 1));
    });
    for (int round = 0; round < 20; ++round) {
        System::SleepMs(10);
        set.SignalAll();
        set.Shutdown();
        set.Open();
    }
    stop = true;
    for (auto& thread : threads) thread.join();
    MessageCapture::Clear();
}

}  // namespace
