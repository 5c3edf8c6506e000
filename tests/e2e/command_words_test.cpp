// The random words of the command sectors, as the drive receives them on a
// run at a fixed calendar time, against values drawn from a generator written
// apart from the tool's: every word of both enable-factory-mode sectors, and
// the check pair of commands sent in different seconds.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "little_endian.h"
#include "support/reference_random.h"

namespace {

constexpr int64_t RUN_START = 1700000000;
constexpr uint32_t SCAN_WAIT_SECONDS = 80;
constexpr uint32_t ENABLE_FACTORY_MODE = 0x0B;
constexpr uint32_t SCAN_INITIAL_BAD = 0x08;

using Words = std::array<uint32_t, 128>;

Words words_of(const std::vector<uint8_t>& sector) {
    Words words{};
    for (uint32_t n = 0; n < words.size(); ++n) {
        words[n] = load_le32(sector.data() + 4 * n);
    }
    return words;
}

// Word 2 of every command sent in that second; word 29 is its negation.
uint32_t check_word(int64_t second) {
    return ReferenceRandom(static_cast<uint32_t>(second)).range(0, 0x7FFFFFFE);
}

// The unlock sector of a 64 MB drive built in that second, check pair added.
Words factory_mode_sector(int64_t second) {
    ReferenceRandom random(static_cast<uint32_t>(second));
    Words words{};
    for (uint32_t& word : words) {
        word = random.range(0, 0x7FFFFFFE);
    }
    const uint32_t r1 = random.range(0, 0x7FFFFFFE);
    const uint32_t k = random.range(0x98, 0x1FF) / 4;
    words[30] = r1;
    words[31] = k;
    words[k] = 0x5A1C93D7 - r1;
    words[0] = ENABLE_FACTORY_MODE;
    words[32] = 0x2EE0000A;
    words[33] = 0x24204;
    words[34] = 0x518;
    words[35] = 0x27;
    words[36] = 0x3E0F800;
    words[2] = words[29] = words[38] = 0;
    uint32_t sum = 0;
    for (const uint32_t word : words) {
        sum += word;
    }
    words[38] = 0x71D4C6B9 - sum;
    words[2] = check_word(second);
    words[29] = 0u - words[2];
    return words;
}

TEST(CommandWords, RandomWordsAreTheGeneratorsForTheSecondTheyAreSentIn) {
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "command_words");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(station.build) + "}", &error))
        << error;
    // A timing test ends the run after the scan and the block-zero installation.
    e2e::RunOptions options;
    options.calendar_start = RUN_START;
    options.command_log = true;
    const e2e::RunResult result = e2e::run(station, {"1", "T"}, options);
    ASSERT_EQ(result.exit_code, 0) << result.out;
    ASSERT_GT(result.commands.size(), 3u);

    // Unlock, the SDRAM probe, unlock again: all within the run's first second.
    const Words unlock = factory_mode_sector(RUN_START);
    EXPECT_EQ(words_of(result.commands.front()), unlock);
    size_t unlocks = 0;
    size_t scan = result.commands.size();
    for (size_t i = 0; i < result.commands.size(); ++i) {
        const Words words = words_of(result.commands[i]);
        if (words[0] == ENABLE_FACTORY_MODE) {
            EXPECT_EQ(words, unlock) << "command " << i;
            ++unlocks;
        }
        if (words[0] == SCAN_INITIAL_BAD) {
            scan = i;
        }
    }
    EXPECT_EQ(unlocks, 2u);
    ASSERT_LT(scan + 1, result.commands.size());

    // Everything up to the scan is sent in the first second; the scan's wait
    // moves the next command 80 seconds on.
    for (const size_t i : {size_t{1}, size_t{2}, scan}) {
        const Words words = words_of(result.commands[i]);
        EXPECT_EQ(words[2], check_word(RUN_START)) << "command " << i;
        EXPECT_EQ(words[29], 0u - check_word(RUN_START)) << "command " << i;
    }
    const Words after_scan = words_of(result.commands[scan + 1]);
    EXPECT_EQ(after_scan[2], check_word(RUN_START + SCAN_WAIT_SECONDS));
    EXPECT_EQ(after_scan[29], 0u - check_word(RUN_START + SCAN_WAIT_SECONDS));
    EXPECT_NE(check_word(RUN_START), check_word(RUN_START + SCAN_WAIT_SECONDS));
}

}  // namespace
