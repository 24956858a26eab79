// Preparation on an application thread while receive threads compute: every frame is computed
// against one whole plate list, never a half-built one.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ForcePlateTestSupport.h"
#include "client/ForcePlates.h"

namespace {

using forceplatetest::DescriptionsOf;
using forceplatetest::FrameWith;

TEST(ForcePlateConcurrency, PreparingWhileFramesAreComputedGivesWholeLists) {
    mirav::sim::PlateSetup eight;
    eight.plateKind = 3;
    mirav::sim::PlateSetup six;
    six.plateKind = 4;
    // List A: one eight-channel plate; list B: an eight- and a six-channel plate.
    std::vector<sForcePlateDescription> listA = {mirav::sim::DescribePlate(eight)};
    std::vector<sForcePlateDescription> listB = {mirav::sim::DescribePlate(eight),
                                                 mirav::sim::DescribePlate(six)};
    auto setA = DescriptionsOf(listA);
    auto setB = DescriptionsOf(listB);

    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(setA.get()), 0);

    constexpr int kPreparations = 2000;
    // Receive threads run until the preparations are over and a few frames beyond, bounded.
    constexpr int kMaxFramesPerThread = 1000000;
    constexpr int kFramesAfterLastPreparation = 100;
    std::atomic<bool> preparing{true};
    std::atomic<int> torn{0};
    std::atomic<int> computed{0};
    auto receive = [&] {
        const std::vector<float> channels(16, 1.0f);
        auto frame = FrameWith(0, channels);
        int after = 0;
        for (int i = 0; i < kMaxFramesPerThread && after < kFramesAfterLastPreparation; ++i) {
            if (!preparing.load()) ++after;
            frame->frameNumber = i;
            forceplatetest::SetChannels(*frame, channels);
            sForcePlates result;
            if (forcePlates.Compute(frame.get(), &result) != 0) continue;
            ++computed;
            const bool wholeA = result.forcePlateCount == 1 && frame->analogDataCount == 8;
            const bool wholeB = result.forcePlateCount == 2 && frame->analogDataCount == 2;
            if (!wholeA && !wholeB) ++torn;
        }
    };
    std::thread first(receive);
    std::thread second(receive);
    for (int i = 0; i < kPreparations; ++i) {
        ASSERT_EQ(forcePlates.Prepare(i % 2 ? setA.get() : setB.get()), 0);
    }
    preparing = false;
    first.join();
    second.join();

    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(computed.load(), 0);
    EXPECT_TRUE(forcePlates.BaselineCaptured());
}

}  // namespace
