#include "codec/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct BitsCase {
    uint32_t seed;
    std::vector<uint64_t> first_draws;
};

TEST(RandomGenerator, StreamsFromKnownSeeds) {
    const BitsCase cases[] = {
        {0, {0x8B910D6160217BDFull, 0xC8AFE081ED8E05C2ull, 0xA90E502FD8A9DF79ull}},
        {1, {0xB8C1309F3104B06Bull, 0x2E59857AA12CC5CAull, 0x9B9E595F976403F2ull}},
    };
    for (const BitsCase& c : cases) {
        random_init(c.seed);
        for (uint64_t expected : c.first_draws) {
            EXPECT_EQ(random_bits(), expected) << "seed " << c.seed;
        }
    }
}

TEST(RandomGenerator, RangesFromKnownSeeds) {
    random_init(0);
    for (int32_t expected : {0x45C886B0, 0x6457F040, 0x54872817, 0x307723DF, 0x1E39B22D}) {
        EXPECT_EQ(random_range(0, 0x7FFFFFFE), expected);
    }
    for (int32_t expected : {0x9FFD, 0xA33D, 0x6BC8}) {
        EXPECT_EQ(random_range(0, 0xFFFF), expected);
    }
    random_init(1);
    for (int32_t expected : {0x5C60984E, 0x172CC2BD, 0x4DCF2CAF}) {
        EXPECT_EQ(random_range(0, 0x7FFFFFFE), expected);
    }
}

TEST(RandomGenerator, EveryDrawIsOneStepWhateverItsBounds) {
    random_init(0);
    random_bits();
    random_bits();
    const uint64_t third = random_bits();

    random_init(0);
    EXPECT_EQ(random_range(5, 4), static_cast<int32_t>(0x80000000u));
    EXPECT_EQ(random_range(7, 7), 7);
    EXPECT_EQ(random_bits(), third);
}

TEST(RandomGenerator, FullRangeAndNegativeBoundsStayInside) {
    random_init(12345);
    for (int i = 0; i < 1000; ++i) {
        const int32_t any = random_range(INT32_MIN, INT32_MAX);
        (void)any;
        const int32_t value = random_range(-10, -3);
        EXPECT_GE(value, -10);
        EXPECT_LE(value, -3);
    }
}

std::vector<uint64_t> draws(int count) {
    std::vector<uint64_t> values(count);
    for (uint64_t& value : values) {
        value = random_bits();
    }
    return values;
}

// Every command seeds with the clock's second: the same seed again and again,
// now and then a new one. Each time the stream starts over, twice round the
// ring and more.
TEST(RandomGenerator, ReseedingRestartsTheStreamWhateverCameBefore) {
    random_init(78);
    const std::vector<uint64_t> stream_78 = draws(40);
    random_init(77);
    const std::vector<uint64_t> stream_77 = draws(40);
    for (const int drawn_between : {0, 1, 16, 17, 100}) {
        SCOPED_TRACE(drawn_between);
        random_init(77);
        draws(drawn_between);
        random_init(77);
        EXPECT_EQ(draws(40), stream_77);
        random_init(78);
        EXPECT_EQ(draws(40), stream_78);
    }
}

// A batch of draws is the same draws one call at a time, and the stream goes
// on from where the batch left it.
TEST(RandomGenerator, BatchOfRangesIsTheSameDrawsOneAtATime) {
    struct Case {
        int32_t min;
        int32_t max;
        uint32_t count;
    } cases[] = {
        {0, 3907669, 128},          {0, 0x7FFFFFFE, 40}, {-10, -3, 17}, {7, 7, 3},
        {INT32_MIN, INT32_MAX, 34}, {5, 4, 2},           {0, 99, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.min) + ".." + std::to_string(c.max) + " x" + std::to_string(c.count));
        random_init(1262300399);
        draws(5);
        std::vector<int32_t> expected(c.count);
        for (int32_t& value : expected) {
            value = random_range(c.min, c.max);
        }
        const uint64_t next = random_bits();

        random_init(1262300399);
        draws(5);
        std::vector<int32_t> batch(c.count);
        random_ranges(c.min, c.max, batch.data(), c.count);
        EXPECT_EQ(batch, expected);
        EXPECT_EQ(random_bits(), next);
    }
}

}  // namespace
