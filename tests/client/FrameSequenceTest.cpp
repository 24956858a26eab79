// Frame numbers as the statistics count them: gaps, late frames that close their gap, and the
// numbering a restarted server begins again after a stall.
#include <initializer_list>

#include "client/StreamStatistics.h"
#include "gtest/gtest.h"

using mirav::FrameSequence;
using mirav::SingleWriterCount;

namespace {

struct Counted {
    FrameSequence sequence;
    SingleWriterCount missing;
    SingleWriterCount outOfOrder;

    void Observe(std::initializer_list<int32_t> numbers) {
        for (int32_t number : numbers) sequence.Observe(number, &missing, &outOfOrder);
    }
};

}  // namespace

TEST(FrameSequence, CountsGapsAndLetsALateFrameCloseItsGap) {
    Counted counted;
    counted.Observe({10, 11, 14});
    EXPECT_EQ(counted.missing.Get(), 2u);
    counted.Observe({12});  // late: closes one of the two
    EXPECT_EQ(counted.missing.Get(), 1u);
    EXPECT_EQ(counted.outOfOrder.Get(), 1u);
    counted.Observe({12});  // repeated: no gap to close
    EXPECT_EQ(counted.missing.Get(), 1u);
    EXPECT_EQ(counted.outOfOrder.Get(), 2u);
}

// After a stall, lower numbers are a server numbering from the start again; higher numbers are
// the same stream resuming, and what it skipped is missing.
TEST(FrameSequence, AfterAStallLowerNumbersStartAgainAndHigherOnesCountTheirGap) {
    Counted restarted;
    restarted.Observe({500, 501});
    restarted.sequence.Stalled();
    restarted.Observe({1, 2, 4});
    EXPECT_EQ(restarted.outOfOrder.Get(), 0u);
    EXPECT_EQ(restarted.missing.Get(), 1u);

    Counted resumed;
    resumed.Observe({500, 501});
    resumed.sequence.Stalled();
    resumed.Observe({510, 511});
    EXPECT_EQ(resumed.missing.Get(), 8u);
    resumed.Observe({505});  // the stall is used up: a late frame as before
    EXPECT_EQ(resumed.outOfOrder.Get(), 1u);
    EXPECT_EQ(resumed.missing.Get(), 7u);

    Counted first;  // a stall before any frame changes nothing
    first.sequence.Stalled();
    first.Observe({7, 8});
    EXPECT_EQ(first.missing.Get() + first.outOfOrder.Get(), 0u);
}
