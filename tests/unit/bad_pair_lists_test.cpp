#include "host_install/bad_pair_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_actions/runtime_bb_list.h"
#include "host_install/system_area_layout.h"
#include "run_state/run_buffers.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "selected_build.h"
#include "support/captured_exit.h"
#include "support/install_fixture.h"
#include "support/station_records.h"

namespace {

struct Entry {
    uint16_t pair;
    uint8_t chip_mask;
    uint8_t type;
    bool operator==(const Entry&) const = default;
};

struct Counts {
    uint16_t total, initial, program, erase, read;
    bool operator==(const Counts&) const = default;
};

// Metadata bytes the build must overwrite or leave alone, never zero by luck.
constexpr uint8_t STALE = 0xA5;

class BadPairLists : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        metadata_buffer = static_cast<uint8_t*>(platform::aligned_allocate(METADATA_IMAGE.total_bytes));
        ASSERT_NE(metadata_buffer, nullptr);
        std::memset(metadata_buffer, STALE, METADATA_IMAGE.total_bytes);
    }
    void TearDown() override {
        platform::aligned_release(metadata_buffer);
        metadata_buffer = nullptr;
        InstallTest::TearDown();
    }

    static void set_initial(uint32_t bank, const std::vector<uint16_t>& raw_entries) {
        uint8_t* table = work->initial_bb_list[bank];
        store_le16(table, static_cast<uint16_t>(raw_entries.size()));
        for (size_t i = 0; i < raw_entries.size(); ++i) {
            store_le16(table + 2 + 2 * i, raw_entries[i]);
        }
    }
    static void set_runtime(uint32_t bank, const std::vector<RuntimeBbEntry>& entries) {
        uint8_t* table = work->runtime_bb_list[bank];
        store_le32(table + 12, static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            store_le16(table + 16 + 4 * i, entries[i].block);
            table[18 + 4 * i] = entries[i].chip_mask;
            table[19 + 4 * i] = entries[i].bb_type;
        }
    }
    // Distinct bad pairs first_pair, first_pair + 1, ... in the initial table.
    static void set_initial_pairs(uint32_t bank, uint16_t first_pair, uint16_t count) {
        std::vector<uint16_t> entries;
        for (uint16_t pair = first_pair; pair < first_pair + count; ++pair) {
            entries.push_back(static_cast<uint16_t>(2 * pair));
        }
        set_initial(bank, entries);
    }
    static void set_runtime_pairs(uint32_t bank, uint16_t first_pair, uint16_t count) {
        std::vector<RuntimeBbEntry> entries;
        for (uint16_t pair = first_pair; pair < first_pair + count; ++pair) {
            entries.push_back({static_cast<uint16_t>(2 * pair), CHIP_MASK_HIGH, BB_TYPE_EB});
        }
        set_runtime(bank, entries);
    }

    static const uint8_t* list_bytes(uint32_t bank_index) {
        return metadata_buffer + METADATA_IMAGE.bad_pair_list + BAD_PAIR_LIST_BYTES * bank_index;
    }
    static const uint8_t* counts_bytes(uint32_t bank_index) {
        return metadata_buffer + METADATA_IMAGE.bad_pair_counts + BAD_PAIR_COUNTS_BYTES * bank_index;
    }
    static Counts counts(uint32_t bank_index) {
        const uint8_t* record = counts_bytes(bank_index);
        return {load_le16(record), load_le16(record + 2), load_le16(record + 4), load_le16(record + 6),
                load_le16(record + 8)};
    }
    static std::vector<Entry> entries(uint32_t bank_index, uint32_t count) {
        const uint8_t* list = list_bytes(bank_index);
        std::vector<Entry> found;
        for (uint32_t n = 0; n < count; ++n) {
            found.push_back({load_le16(list + 4 + 4 * n), list[6 + 4 * n], list[7 + 4 * n]});
        }
        return found;
    }
    // A built list: type 2, its entries, zero to its end; the counts record
    // ends in a zero word.
    static void expect_built(uint32_t bank_index, const std::vector<Entry>& expected,
                             const Counts& expected_counts) {
        const uint8_t* list = list_bytes(bank_index);
        EXPECT_EQ(load_le32(list), 2u);
        EXPECT_EQ(entries(bank_index, static_cast<uint32_t>(expected.size())), expected);
        for (uint32_t byte = 4 + 4 * static_cast<uint32_t>(expected.size()); byte < BAD_PAIR_LIST_BYTES;
             ++byte) {
            ASSERT_EQ(list[byte], 0) << "list byte " << byte;
        }
        EXPECT_EQ(counts(bank_index), expected_counts);
        EXPECT_EQ(load_le16(counts_bytes(bank_index) + 10), 0);
    }
    static bool untouched(const uint8_t* bytes, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            if (bytes[i] != STALE) {
                return false;
            }
        }
        return true;
    }
};

using BadPairListsDeathTest = BadPairLists;

TEST_F(BadPairLists, MergesTheTablesOfABankIntoSortedInitialPairsThenRuntimePairs) {
    const struct {
        const char* what;
        std::vector<uint16_t> initial;
        std::vector<RuntimeBbEntry> runtime;
        std::vector<Entry> expected;
        Counts counts;
    } cases[] = {
        {"both chips of one pair", {7, 0x8006}, {}, {{3, 3, 0}}, {1, 1, 0, 0, 0}},
        {"pair 0 is never listed", {0, 0x8001, 1}, {{0, 1, 2}, {1, 2, 3}}, {}, {0, 0, 0, 0, 0}},
        {"sorted, each pair once", {41, 9, 40}, {}, {{4, 1, 0}, {20, 1, 0}}, {2, 2, 0, 0, 0}},
        {"inserted before, between and after",
         {0x8010, 4, 0x8FFF, 17, 12},
         {},
         {{2, 1, 0}, {6, 1, 0}, {8, 3, 0}, {2047, 2, 0}},
         {4, 4, 0, 0, 0}},
        {"a runtime entry beside the same initial pair",
         {9},
         {{9, 2, 4}},
         {{4, 1, 0}, {4, 2, 4}},
         {2, 1, 0, 1, 0}},
        {"runtime entries of one pair join the first",
         {},
         {{100, 1, 2}, {101, 2, 5}},
         {{50, 3, 2}},
         {1, 0, 1, 0, 0}},
        {"runtime entries keep their order and are counted by failure kind",
         {},
         {{300, 1, 3}, {20, 1, 4}, {30, 2, 2}, {40, 2, 5}, {50, 1, 1}, {60, 1, 6}, {70, 1, 7}, {80, 1, 8}},
         {{150, 1, 3}, {10, 1, 4}, {15, 2, 2}, {20, 2, 5}, {25, 1, 1}, {30, 1, 6}, {35, 1, 7}, {40, 1, 8}},
         {8, 0, 2, 2, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(metadata_buffer, STALE, METADATA_IMAGE.total_bytes);
        set_initial(0, c.initial);
        set_runtime(0, c.runtime);
        ASSERT_EQ(build_bad_pair_lists(), 1);
        expect_built(0, c.expected, c.counts);
    }
    EXPECT_STREQ(log_buffer, "Build bad block list\n");
}

TEST_F(BadPairLists, EachBankHasItsListAtItsPlaceInTheBankTable) {
    ASSERT_EQ(BUILD_BANK_TABLE[3], 3);
    ASSERT_EQ(BUILD_BANK_TABLE[5], 9);
    set_initial(9, {0x8064});
    set_runtime(3, {{500, 1, 3}});
    ASSERT_EQ(build_bad_pair_lists(), 1);
    for (uint32_t bank_index = 0; bank_index < BUILD_NUM_BANKS; ++bank_index) {
        SCOPED_TRACE(bank_index);
        if (bank_index == 5) {
            expect_built(bank_index, {{50, 2, 0}}, {1, 1, 0, 0, 0});
        } else if (bank_index == 3) {
            expect_built(bank_index, {{250, 1, 3}}, {1, 0, 0, 0, 1});
        } else {
            expect_built(bank_index, {}, {0, 0, 0, 0, 0});
        }
    }
}

TEST_F(BadPairLists, ABankOverItsLimitStopsTheBuildAtThatBank) {
    for (const uint16_t total : {uint16_t{BUILD_MAX_BAD_BLOCKS}, uint16_t{BUILD_MAX_BAD_BLOCKS + 1}}) {
        SCOPED_TRACE(total);
        std::memset(metadata_buffer, STALE, METADATA_IMAGE.total_bytes);
        clear_log_buffer();
        set_initial_pairs(9, 1, 200);
        set_runtime_pairs(9, 1000, static_cast<uint16_t>(total - 200));
        testing::internal::CaptureStdout();
        const int result = build_bad_pair_lists();
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(counts(5).total, total);
        if (total == BUILD_MAX_BAD_BLOCKS) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(printed, "");
            continue;
        }
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed, "ERROR: too many bad blocks in bank 9=B2\t\n");
        EXPECT_STREQ(log_buffer, "Build bad block list\nToo many bad blocks in Bank 9=B2\t\n");
        EXPECT_TRUE(untouched(list_bytes(6), 2 * BAD_PAIR_LIST_BYTES)) << "banks after it are not built";
    }
}

// A bank can name more pairs than its list holds; the list keeps what fits
// and the bank fails its limit without a byte written beyond the list.
TEST_F(BadPairLists, MorePairsThanTheListHoldsFailTheLimitWithoutOverrunningTheList) {
    set_initial_pairs(0, 1, 450);
    set_runtime_pairs(0, 2000, 150);
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_bad_pair_lists(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: too many bad blocks in bank 0=A0\t\n");
    EXPECT_EQ(counts(0), (Counts{600, 450, 0, 150, 0}));
    const std::vector<Entry> kept = entries(0, BAD_PAIR_LIST_CAPACITY);
    EXPECT_EQ(kept[449], (Entry{450, 1, 0}));
    EXPECT_EQ(kept[450], (Entry{2000, 2, 4}));
    EXPECT_EQ(kept[510], (Entry{2060, 2, 4}));
    EXPECT_TRUE(untouched(list_bytes(1), BAD_PAIR_LIST_BYTES));
}

TEST_F(BadPairLists, ABankOverItsLimitIsReportedBeforeABlockBeyondTheChip) {
    set_initial(0, {0x2000});
    set_initial_pairs(1, 1, BUILD_MAX_BAD_BLOCKS + 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(build_bad_pair_lists(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: too many bad blocks in bank 1=B0\t\n");
}

TEST_F(BadPairListsDeathTest, ABlockBeyondTheChipEndsTheRunOnceAllBanksAreBuilt) {
    const struct {
        uint32_t bank;
        std::vector<uint16_t> initial;
        std::vector<RuntimeBbEntry> runtime;
    } cases[] = {
        {0, {0x2000}, {}},
        {0, {0xFFFF}, {}},
        {11, {}, {{8192, 1, 2}}},
    };
    for (const auto& c : cases) {
        set_initial(c.bank, c.initial);
        set_runtime(c.bank, c.runtime);
        std::string printed;
        EXPECT_EXIT_CAPTURED(build_bad_pair_lists(), 1, printed);
        EXPECT_TRUE(
            printed.starts_with("ERROR: scan list has error\n"
                                "error at src/host_install/bad_pair_lists.cpp "))
            << printed;
        EXPECT_EQ(read_records(records_path),
                  (std::vector<std::string>{write_record(3, 4, "Build bad block list\\nScan list has error"),
                                            FINALIZE_RECORD}));
        std::remove(records_path.c_str());
        set_initial(c.bank, {});
        set_runtime(c.bank, {});
    }
}

TEST_F(BadPairListsDeathTest, ARuntimeEntryOfAnUnknownTypeIsADebugAssertionFailure) {
    for (const uint8_t type : {uint8_t{0}, uint8_t{9}, uint8_t{0xFF}}) {
        set_runtime(8, {{10, 1, 2}, {40, 1, type}});
        std::string printed;
        EXPECT_EXIT_CAPTURED((close_console_input(), build_bad_pair_lists()), 1, printed);
        ASSERT_TRUE(printed.starts_with("\ndebug assertion failure\nsrc/host_install/bad_pair_lists.cpp : "))
            << printed;
        // The record names the check as the console does: source and line.
        const std::string check = printed.substr(std::string("\ndebug assertion failure\n").size());
        EXPECT_EQ(read_records(records_path),
                  (std::vector<std::string>{write_record(3, 4,
                                                         "Build bad block list\\nDebug assertion failure\\n" +
                                                             check.substr(0, check.size() - 1) + "\\n"),
                                            FINALIZE_RECORD}));
        std::remove(records_path.c_str());
    }
}

}  // namespace
