// Channel bookkeeping of the force plate computation: which channels plates consume, what the
// frame keeps, and when nothing is computed at all.
#include <gtest/gtest.h>

#include <climits>

#include "ForcePlateTestSupport.h"
#include "client/ForcePlates.h"

namespace {

using forceplatetest::DescriptionsOf;
using forceplatetest::FrameWith;
using mirav::sim::PlateSetup;

sForcePlateDescription Plate(int kind) {
    PlateSetup setup;
    setup.plateKind = kind;
    return mirav::sim::DescribePlate(setup);
}

std::vector<float> Ramp(int count) {
    std::vector<float> channels;
    for (int i = 0; i < count; ++i) channels.push_back(0.5f + i);
    return channels;
}

TEST(ForcePlateChannels, PlatesConsumeTheirChannelsAndTheRestMovesToTheFront) {
    std::vector<sForcePlateDescription> plates = {Plate(3)};
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);
    sForcePlates result;

    auto ten = FrameWith(41, Ramp(10));
    ASSERT_EQ(forcePlates.Compute(ten.get(), &result), 0);
    EXPECT_EQ(result.frameNumber, 41);
    EXPECT_EQ(result.forcePlateCount, 1);
    ASSERT_EQ(ten->analogDataCount, 2);
    EXPECT_EQ(ten->analogData[0], 8.5f);
    EXPECT_EQ(ten->analogData[1], 9.5f);

    // Too few channels for the plate: an empty record, the frame keeps everything.
    auto seven = FrameWith(42, Ramp(7));
    ASSERT_EQ(forcePlates.Compute(seven.get(), &result), 0);
    EXPECT_EQ(result.frameNumber, 42);
    EXPECT_EQ(result.forcePlateCount, 0);
    ASSERT_EQ(seven->analogDataCount, 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(seven->analogData[i], 0.5f + i);
}

TEST(ForcePlateChannels, PlatesTakeChannelsInDescriptionOrderUntilTheyRunOut) {
    // An analog device between the plates consumes nothing; the third plate finds too few.
    std::vector<sForcePlateDescription> plates = {
        Plate(4), mirav::sim::MakeAnalogDeviceDescription({"EMG 1"}), Plate(3), Plate(3)};
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);
    EXPECT_EQ(forcePlates.PlateCount(), 4u);

    auto frame = FrameWith(7, Ramp(20));
    sForcePlates result;
    ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
    EXPECT_EQ(result.forcePlateCount, 2);
    ASSERT_EQ(frame->analogDataCount, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(frame->analogData[i], 14.5f + i);
    for (int p = 2; p < MAX_FORCEPLATES; ++p) EXPECT_EQ(result.forcePlates[p].fz, 0.0f);

    // Every channel used: nothing left over.
    auto exact = FrameWith(8, Ramp(14));
    ASSERT_EQ(forcePlates.Compute(exact.get(), &result), 0);
    EXPECT_EQ(result.forcePlateCount, 2);
    EXPECT_EQ(exact->analogDataCount, 0);
}

TEST(ForcePlateChannels, NothingIsComputedWithoutPlatesOrUsableChannels) {
    std::vector<sForcePlateDescription> plates = {Plate(3)};
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    sForcePlates result;

    auto before = FrameWith(1, Ramp(10));
    EXPECT_EQ(forcePlates.Compute(before.get(), &result), 1);  // not prepared yet
    EXPECT_EQ(before->analogDataCount, 10);
    EXPECT_EQ(before->analogData[0], 0.5f);

    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);
    auto none = FrameWith(2, {});
    EXPECT_EQ(forcePlates.Compute(none.get(), &result), 1);
    auto full = FrameWith(3, Ramp(32));
    full->analogDataCount = 33;
    EXPECT_EQ(forcePlates.Compute(full.get(), &result), 1);
    EXPECT_EQ(full->analogDataCount, 33);
    EXPECT_EQ(full->analogData[0], 0.5f);
    full->analogDataCount = -1;
    EXPECT_EQ(forcePlates.Compute(full.get(), &result), 1);
    EXPECT_EQ(forcePlates.Compute(nullptr, &result), 1);
    auto ok = FrameWith(4, Ramp(10));
    EXPECT_EQ(forcePlates.Compute(ok.get(), nullptr), 1);
    EXPECT_EQ(ok->analogDataCount, 10);

    // A refused preparation switches the computation off until one succeeds.
    EXPECT_EQ(forcePlates.Prepare(nullptr), 1);
    EXPECT_FALSE(forcePlates.IsPrepared());
    EXPECT_EQ(forcePlates.Compute(ok.get(), &result), 1);
    set->descriptionCount = 201;
    EXPECT_EQ(forcePlates.Prepare(set.get()), 1);
    set->descriptionCount = -1;
    EXPECT_EQ(forcePlates.Prepare(set.get()), 1);
    EXPECT_EQ(forcePlates.Compute(ok.get(), &result), 1);

    // Descriptions without force plates: prepared, but nothing to compute.
    set->descriptionCount = 0;
    EXPECT_EQ(forcePlates.Prepare(set.get()), 0);
    EXPECT_TRUE(forcePlates.IsPrepared());
    EXPECT_EQ(forcePlates.Compute(ok.get(), &result), 1);
    EXPECT_EQ(ok->analogDataCount, 10);
}

TEST(ForcePlateChannels, ChannelsBeyondTheZeroLevelAreMeasuredFromZero) {
    // The six-channel plate comes first, so the zero level holds six values; the eight-channel
    // plate's last two channels have none.
    PlateSetup six;
    six.plateKind = 4;
    PlateSetup eight;
    eight.plateKind = 3;
    std::vector<sForcePlateDescription> plates = {mirav::sim::DescribePlate(six),
                                                  mirav::sim::DescribePlate(eight)};
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);

    std::vector<float> channels(14, 0.0f);
    for (int i = 0; i < 6; ++i) channels[i] = channels[6 + i] = 0.25f * (i + 1);
    channels[12] = 3.0f;  // vertical sensors 3 and 4 of the eight-channel plate
    channels[13] = 4.0f;
    auto frame = FrameWith(1, channels);
    sForcePlates result;
    ASSERT_EQ(forcePlates.Compute(frame.get(), &result), 0);
    ASSERT_EQ(result.forcePlateCount, 2);
    EXPECT_EQ(result.forcePlates[0].fz, 0.0f);
    // Gain 1, calibration 1: the 7 units on sensors 3 and 4 are all the vertical force.
    EXPECT_FLOAT_EQ(result.forcePlates[1].fz, 7.0f);
    EXPECT_EQ(result.forcePlates[1].fx, 0.0f);
}

TEST(ForcePlateChannels, LowestChannelScaleIsUsable) {
    PlateSetup setup;
    setup.plateKind = 4;
    setup.channelScale = INT_MIN;
    std::vector<sForcePlateDescription> plates = {mirav::sim::DescribePlate(setup)};
    auto set = DescriptionsOf(plates);
    mirav::ForcePlates forcePlates;
    ASSERT_EQ(forcePlates.Prepare(set.get()), 0);

    sForcePlates result;
    auto first = FrameWith(1, std::vector<float>(6, 0.0f));
    ASSERT_EQ(forcePlates.Compute(first.get(), &result), 0);
    auto second = FrameWith(2, {0.5f, 0, 0, 0, 0, 0});
    ASSERT_EQ(forcePlates.Compute(second.get(), &result), 0);
    // The gain is +2^31: a positive reading stays positive.
    EXPECT_FLOAT_EQ(result.forcePlates[0].fx, 1073741824.0f);
}

}  // namespace
