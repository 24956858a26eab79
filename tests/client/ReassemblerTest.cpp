// The reassembler on its own: fragments in every order, repeats, losses and a second message,
// never a body that mixes two messages; the kernel drop counter and the gap window.
#include "client/Reassembler.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "EncodersMessage.h"
#include "gtest/gtest.h"

using mirav::DatagramInfo;
using mirav::Reassembler;
using Datagrams = std::vector<std::vector<uint8_t>>;

namespace {

constexpr int64_t kMs = 1000000;

// A body of n bytes that all carry the tag, so a mixed body shows.
std::vector<uint8_t> Body(uint8_t tag, size_t n) { return std::vector<uint8_t>(n, tag); }

Datagrams Cut(uint8_t tag, size_t n, size_t fragment) {
    return mirav::sim::EncodeMessage(103, 0, Body(tag, n), fragment);
}

struct Feeder {
    Reassembler reassembler;
    mirav::ChannelCounters counters;
    std::vector<std::vector<uint8_t>> delivered;
    int64_t now = 1000 * kMs;

    Feeder() { reassembler.SetCounters(&counters); }
    void Feed(const std::vector<uint8_t>& datagram, int64_t advanceNs = 1000, uint32_t drops = 0,
              bool dropsValid = false) {
        now += advanceNs;
        DatagramInfo info;
        info.arrivalNs = now;
        info.dropCounterValid = dropsValid;
        info.dropCounter = drops;
        const auto result =
            reassembler.Accept(datagram.data(), static_cast<uint32_t>(datagram.size()), info);
        if (result.outcome == Reassembler::Outcome::kComplete) {
            delivered.emplace_back(result.body, result.body + result.length);
        }
    }
};

bool Uniform(const std::vector<uint8_t>& body) {
    return std::all_of(body.begin(), body.end(), [&](uint8_t b) { return b == body[0]; });
}

}  // namespace

TEST(Reassembler, CompletesEveryOrderAndEveryRepeatPatternOnce) {
    const Datagrams message = Cut(7, 70, 20);  // 20 + 20 + 20 + 10
    ASSERT_EQ(message.size(), 4u);
    std::vector<size_t> order{0, 1, 2, 3};
    int permutations = 0;
    do {
        Feeder feeder;
        for (size_t i : order) feeder.Feed(message[i]);
        ASSERT_EQ(feeder.delivered.size(), 1u);
        EXPECT_EQ(feeder.delivered[0], Body(7, 70));
        EXPECT_EQ(feeder.reassembler.MessagesInProgress(), 0u);
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(permutations, 24);

    // Every fragment repeated once or not, the repeat right after it or at the end.
    for (int mask = 1; mask < 16; ++mask) {
        for (bool atEnd : {false, true}) {
            Feeder feeder;
            Datagrams tail;
            for (size_t i = 0; i < 4; ++i) {
                feeder.Feed(message[i]);
                if (mask & (1 << i)) {
                    if (atEnd) {
                        tail.push_back(message[i]);
                    } else {
                        feeder.Feed(message[i]);
                    }
                }
            }
            for (const auto& datagram : tail) feeder.Feed(datagram);
            ASSERT_EQ(feeder.delivered.size(), 1u) << mask << atEnd;
            EXPECT_EQ(feeder.delivered[0], Body(7, 70));
            // Repeats after completion are recognised too: never a second delivery.
            uint64_t repeats = 0;
            for (int i = 0; i < 4; ++i) repeats += (mask >> i) & 1;
            EXPECT_EQ(feeder.counters.fragmentsRepeated.Get(), repeats);
        }
    }
}

TEST(Reassembler, NeverDeliversAMessageWithALostFragmentOrAMixedBody) {
    const Datagrams a = Cut(1, 70, 20);
    const Datagrams sameLength = Cut(2, 70, 20);
    const Datagrams otherLength = Cut(3, 75, 20);
    for (const Datagrams* b : {&sameLength, &otherLength}) {
        // Every proper subset of A's fragments, in order, then B a frame period later.
        for (int kept = 0; kept < 15; ++kept) {
            Feeder feeder;
            for (size_t i = 0; i < 4; ++i) {
                if (kept & (1 << i)) feeder.Feed(a[i]);
            }
            feeder.Feed((*b)[0], 10 * kMs);
            for (size_t i = 1; i < b->size(); ++i) feeder.Feed((*b)[i]);
            ASSERT_EQ(feeder.delivered.size(), 1u) << kept;
            EXPECT_TRUE(Uniform(feeder.delivered[0]));
            EXPECT_EQ(feeder.delivered[0][0], (*b)[0][16]);
        }
    }
    // A message of another length interleaved fragment by fragment, at the same instant.
    for (size_t shift = 0; shift < 4; ++shift) {
        Feeder feeder;
        for (size_t i = 0; i < 4; ++i) {
            if (i != shift) feeder.Feed(a[i], 0);
            feeder.Feed(otherLength[i], 0);
        }
        ASSERT_EQ(feeder.delivered.size(), 1u);
        EXPECT_EQ(feeder.delivered[0], Body(3, 75));
    }
    // The last fragment of A swapped with the first of B: both complete, neither mixed.
    Feeder feeder;
    for (size_t i = 0; i < 3; ++i) feeder.Feed(a[i]);
    feeder.Feed(sameLength[0]);
    feeder.Feed(a[3]);
    for (size_t i = 1; i < 4; ++i) feeder.Feed(sameLength[i]);
    ASSERT_EQ(feeder.delivered.size(), 2u);
    EXPECT_EQ(feeder.delivered[0], Body(1, 70));
    EXPECT_EQ(feeder.delivered[1], Body(2, 70));
}

TEST(Reassembler, BurstLossAcrossMessagesIsCaughtByTimeAndByTheKernelCounter) {
    // Frame 1 keeps fragments 0-1; the run lost 2-3 of frame 1 and 0-1 of frame 2.
    const Datagrams one = Cut(1, 70, 20);
    const Datagrams two = Cut(2, 70, 20);
    {
        Feeder feeder;  // apart by a frame period: the gap window parts them
        feeder.Feed(one[0]);
        feeder.Feed(one[1]);
        feeder.Feed(two[2], 10 * kMs);
        feeder.Feed(two[3]);
        EXPECT_TRUE(feeder.delivered.empty());
        EXPECT_EQ(feeder.counters.messagesAbandoned.Get(), 1u);
    }
    {
        Feeder feeder;  // back to back, but the kernel reported the drops
        feeder.Feed(one[0], 1000, 5, true);
        feeder.Feed(one[1], 1000, 5, true);
        feeder.Feed(two[2], 1000, 9, true);
        feeder.Feed(two[3], 1000, 9, true);
        EXPECT_TRUE(feeder.delivered.empty());
        EXPECT_EQ(feeder.counters.messagesKernelDiscarded.Get(), 1u);
        EXPECT_EQ(feeder.counters.kernelDrops.Get(), 4u);
        // The next whole message is delivered.
        const Datagrams next = Cut(4, 70, 20);
        feeder.Feed(next[0], 10 * kMs, 9, true);
        for (size_t i = 1; i < next.size(); ++i) feeder.Feed(next[i], 1000, 9, true);
        ASSERT_EQ(feeder.delivered.size(), 1u);
        EXPECT_EQ(feeder.delivered[0], Body(4, 70));
    }
}

// The command channel's replies never interleave: there a receive thread held up between two
// fragments (arrival times read in user space) must not cost the reply.
TEST(Reassembler, AChannelFloorToleratesAHeldUpReceiveThread) {
    const Datagrams message = Cut(3, 70, 20);
    for (const bool repliesOnly : {false, true}) {
        Feeder feeder;
        if (repliesOnly) feeder.reassembler.SetWindowFloorNs(Reassembler::kRepliesWindowFloorNs);
        feeder.Feed(message[0]);
        feeder.Feed(message[1], 20 * kMs);
        for (size_t i = 2; i < message.size(); ++i) feeder.Feed(message[i]);
        EXPECT_EQ(feeder.delivered.size(), repliesOnly ? 1u : 0u) << repliesOnly;
        EXPECT_EQ(feeder.counters.messagesAbandoned.Get(), repliesOnly ? 0u : 1u) << repliesOnly;
    }
}

TEST(Reassembler, LearnsItsWindowFromCompletedMessages) {
    Feeder feeder;
    EXPECT_EQ(feeder.reassembler.WindowNs(), Reassembler::kWindowFloorNs);
    // Fragments 2 ms apart, messages 8 ms apart: the window becomes 4 x 2 ms + the margin.
    for (uint8_t tag = 1; tag <= 5; ++tag) {
        const Datagrams message = Cut(tag, 70, 20);
        for (const auto& datagram : message) feeder.Feed(datagram, 2 * kMs);
    }
    EXPECT_EQ(feeder.delivered.size(), 5u);
    EXPECT_EQ(feeder.reassembler.WindowNs(), 8 * kMs + Reassembler::kGapMarginNs);
    // Messages 40 ms apart with back-to-back fragments: three quarters of that time.
    for (uint8_t tag = 10; tag <= 30; ++tag) {
        const Datagrams message = Cut(tag, 70, 20);
        feeder.Feed(message[0], 40 * kMs);
        for (size_t i = 1; i < message.size(); ++i) feeder.Feed(message[i], 1000);
    }
    EXPECT_NEAR(feeder.reassembler.WindowNs(), 30 * kMs, 10000);
    for (uint8_t tag = 1; tag <= 16; ++tag) {
        const Datagrams message = Cut(tag, 70, 20);
        for (const auto& datagram : message) feeder.Feed(datagram, 2 * kMs);
    }
    // A gap wider than the window abandons the message; the late fragments cannot complete it.
    const size_t before = feeder.delivered.size();
    EXPECT_EQ(before, 42u);
    const Datagrams late = Cut(9, 70, 20);
    feeder.Feed(late[0]);
    feeder.Feed(late[1]);
    feeder.Feed(late[2], 20 * kMs);
    feeder.Feed(late[3]);
    EXPECT_EQ(feeder.delivered.size(), before);
    EXPECT_GE(feeder.counters.messagesAbandoned.Get(), 1u);
}

TEST(Reassembler, RefusesMalformedDatagramsWithTheirDiagnostic) {
    Feeder feeder;
    auto check = [&](const std::vector<uint8_t>& datagram, int site, uint32_t value) {
        const auto result = feeder.reassembler.Accept(
            datagram.data(), static_cast<uint32_t>(datagram.size()), DatagramInfo{});
        EXPECT_EQ(result.outcome, Reassembler::Outcome::kDropped);
        EXPECT_EQ(result.reportSite, site);
        EXPECT_EQ(result.reportValue, value);
    };
    check(std::vector<uint8_t>(15, 0), Reassembler::kSiteShort, 15);
    auto datagram = Cut(1, 70, 20)[0];
    datagram.pop_back();
    check(datagram, Reassembler::kSiteFragmentLength, 20);
    datagram = Cut(1, 70, 20)[0];
    datagram[0] = 0;
    check(datagram, Reassembler::kSiteMagic, 0xF900);
    // Index 4 of a 70-byte message cut into 20-byte pieces does not exist.
    feeder.Feed(Cut(1, 70, 20)[0]);
    datagram = Cut(1, 70, 20)[3];
    datagram[9] = 4;
    check(datagram, Reassembler::kSiteFragmentIndex, 4);  // the out-of-order line as before
    // A total length beyond what can be reassembled, and a negative one.
    auto huge = Cut(1, 70, 20)[0];
    const int32_t totals[] = {600000, -5};
    for (int32_t total : totals) {
        std::memcpy(huge.data() + 4, &total, 4);
        check(huge, 0, 0);
    }
    EXPECT_EQ(feeder.counters.datagramsMalformed.Get(), 6u);
    EXPECT_TRUE(feeder.delivered.empty());
}

TEST(Reassembler, MemoryStaysBoundedUnderAFloodOfRandomFragments) {
    Feeder feeder;
    std::mt19937 random(11);
    std::vector<uint8_t> datagram;
    for (int i = 0; i < 20000; ++i) {
        const uint16_t fragment = static_cast<uint16_t>(1 + random() % 1462);
        const int32_t total = static_cast<int32_t>(fragment + random() % 524288);
        mirav::MessageHeader header;
        header.totalLength = total;
        header.messageType = static_cast<uint8_t>(100 + random() % 4);
        header.fragmentIndex = static_cast<uint8_t>(random() % 256);
        header.fragmentLength = fragment;
        header.sequence = random() % 3;
        datagram.assign(16 + fragment, static_cast<uint8_t>(random()));
        mirav::EncodeMessageHeader(header, datagram.data(), datagram.size());
        feeder.Feed(datagram, static_cast<int64_t>(random() % 3000));
        ASSERT_LE(feeder.reassembler.MessagesInProgress(), Reassembler::kMaxMessagesInProgress);
    }
    EXPECT_LE(feeder.reassembler.MemoryBytes(),
              (Reassembler::kMaxMessagesInProgress + 1) * mirav::kReassemblyCapacity);
    for (const auto& body : feeder.delivered) EXPECT_TRUE(Uniform(body));
}
