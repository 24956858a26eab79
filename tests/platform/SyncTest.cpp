#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageCapture.h"
#include "support/Sanitizers.h"

namespace {

using mirav_test::Message;
using mirav_test::MessageCapture;
using Messages = std::vector<Message>;

using testsupport::kThreadSanitizer;

// The error the system reports when a thread releases a mutex it does not own.
#if defined(_WIN32)
constexpr int kNotOwnerError = 288;  // ERROR_NOT_OWNER
#else
constexpr int kNotOwnerError = 1;  // EPERM
#endif

TEST(CMutex, UncreatedLockFailsAndGuardStillRunsTheScope) {
    MessageCapture capture;
    System::CMutex mutex;
    EXPECT_EQ(mutex.Lock(), System::kResultFailed);
    EXPECT_EQ(mutex.Unlock(), System::kResultFailed);
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "[MiravSDKClient] 63 Failed.\n"},
                                                {1, "[MiravSDKClient] 107 Failed.\n"}}));

    bool ran = false;
    {
        System::CGuard guard(mutex);
        ran = true;
    }
    EXPECT_TRUE(ran);
    EXPECT_EQ(MessageCapture::Take().size(), 2u);

    // A disposed mutex behaves like one never created.
    ASSERT_EQ(mutex.Create(), System::kResultOk);
    EXPECT_EQ(mutex.Dispose(), System::kResultOk);
    EXPECT_EQ(mutex.Dispose(), System::kResultOk);
    EXPECT_FALSE(mutex.IsCreated());
    EXPECT_EQ(mutex.Lock(), System::kResultFailed);
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "[MiravSDKClient] 63 Failed.\n"}}));
}

TEST(CMutex, IsRecursiveAndOnlyItsOwnerMayUnlock) {
    MessageCapture capture;
    System::CMutex mutex;
    ASSERT_EQ(mutex.Create(), System::kResultOk);
    EXPECT_EQ(mutex.Lock(), System::kResultOk);
    EXPECT_EQ(mutex.Lock(), System::kResultOk);
    EXPECT_EQ(mutex.Unlock(), System::kResultOk);

    if (!kThreadSanitizer) {  // it reports the deliberate wrong-thread unlock as an error
        int otherResult = -1;
        std::thread([&] { otherResult = mutex.Unlock(); }).join();
        EXPECT_EQ(otherResult, System::kResultFailed);
        EXPECT_EQ(MessageCapture::Take(),
                  (Messages{{3, "[MiravSDKClient] 112 Failed syserr:" +
                                    std::to_string(kNotOwnerError) + "\n"}}));
    }

    EXPECT_EQ(mutex.Unlock(), System::kResultOk);
    mutex.Dispose();
}

TEST(CMutex, SecondCreateWarnsAndKeepsTheHeldLock) {
    MessageCapture capture;
    System::CMutex mutex;
    ASSERT_EQ(mutex.Create(), System::kResultOk);
    ASSERT_EQ(mutex.Lock(), System::kResultOk);
    EXPECT_EQ(mutex.Create(), System::kResultOk);
    // Had Create replaced the object, this thread would not own it and Unlock would fail.
    EXPECT_EQ(mutex.Unlock(), System::kResultOk);
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "[MiravSDKClient] 34 Warning.\n"}}));
    mutex.Dispose();
}

TEST(CMutex, GuardExcludesOtherThreads) {
    System::CMutex mutex;
    ASSERT_EQ(mutex.Create(), System::kResultOk);
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    int counter = 0;  // deliberately not atomic: only the guard protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                System::CGuard guard(mutex);
                counter = counter + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, kThreads * kRounds);
    mutex.Dispose();
}

TEST(CSignal, UncreatedUseFailsAndSecondCreateWarns) {
    MessageCapture capture;
    System::CSignal signal;
    EXPECT_EQ(signal.Set(), System::kResultFailed);
    EXPECT_EQ(signal.Wait(10), System::kResultFailed);
    ASSERT_EQ(signal.Create(), System::kResultOk);
    ASSERT_EQ(signal.Set(), System::kResultOk);
    EXPECT_EQ(signal.Create(), System::kResultOk);
    // The event that was set before the second Create is still the one in use.
    EXPECT_EQ(signal.Wait(0), System::kResultOk);
    EXPECT_EQ(MessageCapture::Take(), (Messages{{1, "[MiravSDKClient] 61 Failed.\n"},
                                                {1, "[MiravSDKClient] 77 Failed.\n"},
                                                {1, "[MiravSDKClient] 31 Warning.\n"}}));
    signal.Dispose();
    EXPECT_FALSE(signal.IsCreated());
}

TEST(CSignal, SetBeforeWaitIsKeptOnceAndTimeOutWaitsTheFullTime) {
    System::CSignal signal;
    ASSERT_EQ(signal.Create(), System::kResultOk);
    std::thread([&] {
        signal.Set();
        signal.Set();
    }).join();
    EXPECT_EQ(signal.Wait(5000), System::kResultOk);

    uint64_t start = System::TickCountMs();
    EXPECT_EQ(signal.Wait(80), System::kResultTimedOut);
    EXPECT_GE(System::TickCountMs() - start, 80u);
    EXPECT_EQ(signal.Wait(0), System::kResultTimedOut);
    signal.Dispose();
}

TEST(CSignal, EachSetReleasesExactlyOneWaiter) {
    System::CSignal signal;
    ASSERT_EQ(signal.Create(), System::kResultOk);
    std::atomic<int> released{0};
    std::atomic<int> timedOut{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            int result = signal.Wait(400);
            if (result == System::kResultOk) ++released;
            if (result == System::kResultTimedOut) ++timedOut;
        });
    }
    // Whether the set comes before or after the waits begin, one waiter consumes it.
    System::SleepMs(30);
    signal.Set();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 1);
    EXPECT_EQ(timedOut.load(), 1);
    signal.Dispose();
}

TEST(Clock, TickCountIsMonotonicAndSleepLastsAtLeastItsTime) {
    uint64_t first = System::TickCountMs();
    System::SleepMs(0);
    System::SleepMs(60);
    uint64_t second = System::TickCountMs();
    EXPECT_GE(second - first, 60u);
    EXPECT_GE(System::TickCountMs(), second);
}

}  // namespace
