#include "host_install/firmware_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_install/hil_context.h"
#include "host_install/metadata_image.h"
#include "host_install/pair_allocation.h"
#include "support/captured_exit.h"
#include "support/firmware_context_fixture.h"
#include "support/station_records.h"

namespace {

uint32_t u16_at(const uint8_t* bytes, uint32_t offset) {
    return load_le16(bytes + offset);
}

bool pair_free(uint32_t bank_index, uint32_t pair) {
    return bitmap_bit(pair_state(bank_index) + PAIR_STATE.free_bitmap, pair);
}

struct BankAllocations {
    uint16_t low_system_block, high_system_block;
    uint32_t metadata, hil, zero_page, active, free_pairs;
};

BankAllocations allocations(uint32_t i) {
    return {work->system_blocks[i].low,
            work->system_blocks[i].high,
            load_le16(master_info_buffer + 0x04 + 2 * i),
            load_le16(master_info_buffer + 0x50 + 2 * i),
            u16_at(bank_record(i), 2),
            u16_at(active_block_record(i), 0),
            u16_at(bank_record(i), 0)};
}

using FirmwareContext = FirmwareContextTest;

TEST_F(FirmwareContext, BanksGetTheirSystemBlocksAndPairsLowestFreeFirst) {
    add_initial(1, {10, 0x8000 | 21});
    add_initial(2, {50, 0x8000 | 50, 0x8000 | 9, 7, 0x8006});
    add_initial(3, {2, 3});  // pair 1 bad on the low chip: the fallback pair is 2
    build_context();

    const struct {
        uint32_t bank_index;
        BankAllocations expected;
    } cases[] = {
        // No bad block: blocks 2 and 3 of the fallback pair serve both chips.
        {0, {2, 2, 2, 3, 4, 5, 4096 - 6 - 1}},
        // Block 21 is bad on the high chip only, block 10 on the low chip only.
        {1, {21, 10, 1, 2, 3, 4, 4096 - 2 - 5}},
        // Block 50 is bad on both chips; pairs 3, 4 and 25 are bad.
        {2, {9, 7, 1, 2, 5, 6, 4096 - 3 - 5}},
        {3, {4, 2, 3, 4, 5, 6, 4096 - 1 - 6}},
    };
    for (const auto& c : cases) {
        const BankAllocations got = allocations(c.bank_index);
        EXPECT_EQ(got.low_system_block, c.expected.low_system_block) << c.bank_index;
        EXPECT_EQ(got.high_system_block, c.expected.high_system_block) << c.bank_index;
        EXPECT_EQ(got.metadata, c.expected.metadata) << c.bank_index;
        EXPECT_EQ(got.hil, c.expected.hil) << c.bank_index;
        EXPECT_EQ(got.zero_page, c.expected.zero_page) << c.bank_index;
        EXPECT_EQ(got.active, c.expected.active) << c.bank_index;
        EXPECT_EQ(got.free_pairs, c.expected.free_pairs) << c.bank_index;
        EXPECT_EQ(u16_at(master_info_buffer, 0x14 + 2 * c.bank_index), got.metadata) << "second copy";
        EXPECT_EQ(u16_at(master_info_buffer, 0x28 + 4 * c.bank_index), got.low_system_block);
        EXPECT_EQ(u16_at(master_info_buffer, 0x2A + 4 * c.bank_index), got.high_system_block);
    }
    EXPECT_EQ(load_le32(image_tail()), 6u) << "the first bank's spare pair";
    EXPECT_FALSE(pair_free(0, 6));
    EXPECT_TRUE(pair_free(0, 7));
    for (uint32_t pair : {0, 1, 2, 3, 4, 5, 6, 25}) {
        EXPECT_FALSE(pair_free(2, pair)) << pair;
    }
    EXPECT_TRUE(pair_free(2, 7));
    EXPECT_TRUE(pair_free(2, 4095));
}

TEST_F(FirmwareContext, SingleChipListsLeaveOutPairsBadOnBothChipsAndThoseOfTheSystemBlocks) {
    // System blocks: 41 on the low chip (pair 20), 30 on the high chip (pair
    // 15). Pair 25 is bad on both chips, pair 30 on the low chip in the
    // initial table and on the high chip at run time.
    add_initial(0, {50, 0x8000 | 50, 30, 0x8000 | 41, 60, 70, 0x8000 | 81});
    add_runtime(0, {61, CHIP_MASK_HIGH, BB_TYPE_P});
    // A pair bad on the high chip at run time only is a high-only pair too.
    add_runtime(1, {101, CHIP_MASK_HIGH, BB_TYPE_E});
    build_context();

    EXPECT_EQ(work->system_blocks[0].low, 41);
    EXPECT_EQ(work->system_blocks[0].high, 30);
    const uint8_t* bank0 = single_chip_list(0);
    EXPECT_EQ(u16_at(bank0, 2048), 1u) << "high-only pairs";
    EXPECT_EQ(u16_at(bank0, 2050), 1u) << "low-only pairs";
    EXPECT_EQ(u16_at(bank0, 0), 40u);
    EXPECT_EQ(u16_at(bank0, 2), 35u);
    const uint8_t* bank1 = single_chip_list(1);
    EXPECT_EQ(u16_at(bank1, 2048), 1u);
    EXPECT_EQ(u16_at(bank1, 2050), 0u);
    EXPECT_EQ(u16_at(bank1, 0), 50u);
    for (uint32_t i = 2; i < BUILD_NUM_BANKS; ++i) {
        EXPECT_EQ(load_le32(single_chip_list(i) + 2048), 0u) << "no single-chip pairs in bank index " << i;
    }
}

TEST_F(FirmwareContext, LeavesAnEmptyMapAndMasterInfoWithItsMarkers) {
    std::memset(metadata_buffer, 0xA5, METADATA_IMAGE.map_end);
    write_empty_bad_pair_lists();
    ASSERT_EQ(build_firmware_context(), 1);

    EXPECT_TRUE(std::all_of(metadata_buffer, metadata_buffer + 0xB2E104, [](uint8_t b) { return b == 0; }));
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        const uint8_t* state = pair_state(i);
        EXPECT_TRUE(std::all_of(state, state + 4096, [](uint8_t b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(state + 4096, state + 86016, [](uint8_t b) { return b == 0; }));
    }
    std::vector<uint8_t> expected(116);
    store_le32(&expected[0x00], 0xFFFFFFFE);
    store_le32(&expected[0x24], 0xFFFFFFFE);
    for (uint32_t i = 0; i < 8; ++i) {
        store_le16(&expected[0x04 + 2 * i], 2);
        store_le16(&expected[0x14 + 2 * i], 2);
        store_le16(&expected[0x28 + 4 * i], 2);
        store_le16(&expected[0x2A + 4 * i], 2);
        store_le16(&expected[0x50 + 2 * i], 3);
    }
    store_le32(&expected[0x68], 0x6DA3E18C);
    expected[0x6C] = 10;
    store_le32(&expected[0x70], 0xFFFFFFFF);
    EXPECT_EQ(std::vector<uint8_t>(master_info_buffer, master_info_buffer + 116), expected);

    const uint8_t tail[16] = {6, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x78, 0x63, 0xE5, 0xFC};
    EXPECT_EQ(std::memcmp(metadata_buffer + 0xBE1360, tail, sizeof tail), 0);
    ASSERT_NE(hil_context, nullptr);
    EXPECT_TRUE(std::all_of(hil_context, hil_context + 16384, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(work->firmware_length, 51012u);
    EXPECT_EQ(work->overlay_length, 10776u);
    EXPECT_EQ(work->bootloader_length, 484u);
}

using FirmwareContextDeathTest = FirmwareContext;

TEST_F(FirmwareContextDeathTest, ImpossibleStatesAreDebugAssertionsWithTheirKnownNumbers) {
    struct Case {
        const char* what;
        void (*arrange)();
        const char* reported;
    };
    const Case cases[] = {
        {"block zero bad on one chip only, first in its table",
         [] {
             add_initial(0, {0, 0x8000 | 40});
             build_context();
         },
         "src/host_install/system_blocks.cpp : 261"},
        {"410 blocks bad on the low chip only",
         [] {
             for (uint16_t block = 2; block < 412; ++block) {
                 add_initial(1, {block});
             }
             build_context();
         },
         "src/host_install/system_blocks.cpp : 636"},
        {"a bad-pair list of another type",
         [] {
             write_empty_bad_pair_lists();
             write_bad_pair_list(1, 3, 0, {});
             build_firmware_context();
         },
         "src/host_install/single_chip_lists.cpp : 511"},
        {"a bad-pair list naming pair 0",
         [] {
             write_empty_bad_pair_lists();
             write_bad_pair_list(2, 2, 2, {{9, 1, 0}, {0, 1, 0}});
             build_firmware_context();
         },
         "src/host_install/firmware_context.cpp : 798"},
        {"a bad-pair list naming pair 4096",
         [] {
             write_empty_bad_pair_lists();
             write_bad_pair_list(2, 2, 1, {{4096, 2, 0}});
             build_firmware_context();
         },
         "src/host_install/firmware_context.cpp : 798"},
        {"a bad-pair count beyond the list's room",
         [] {
             write_empty_bad_pair_lists();
             write_bad_pair_list(7, 2, 512, {});
             build_firmware_context();
         },
         "src/host_install/firmware_context.cpp : 798"},
    };
    for (const Case& c : cases) {
        std::string printed;
        EXPECT_EXIT_CAPTURED((close_console_input(), c.arrange()), 1, printed);
        EXPECT_EQ(printed, std::string("\ndebug assertion failure\n") + c.reported + "\n") << c.what;
        const std::vector<std::string> records = read_records(records_path);
        ASSERT_EQ(records.size(), 2u) << c.what;
        EXPECT_TRUE(records[0].ends_with(std::string("Debug assertion failure\\n") + c.reported + "\\n\"]}"))
            << records[0];
        EXPECT_EQ(records[1], FINALIZE_RECORD);
        std::remove(records_path.c_str());
    }
}

TEST_F(FirmwareContext, OneChipFullOfCandidatesStillGetsTheFallbackForTheOther) {
    // 409 blocks bad on the low chip only (the most a list holds) and none on
    // the high chip: the fresh pair serves the low chip's system block.
    for (uint16_t block = 2; block < 411; ++block) {
        add_initial(0, {block});
    }
    build_context();
    EXPECT_EQ(work->system_blocks[0].low, 2 * 206);
    EXPECT_EQ(work->system_blocks[0].high, 2);
}

using PairAllocationDeathTest = FirmwareContext;

TEST_F(PairAllocationDeathTest, ABankWithoutFreePairsEndsTheRun) {
    write_empty_bad_pair_lists();
    ASSERT_EQ(build_firmware_context(), 1);
    std::memset(pair_state(3) + PAIR_STATE.free_bitmap, 0, 512);
    std::string printed;
    EXPECT_EXIT_CAPTURED(allocate_pair(3), 1, printed);
    EXPECT_TRUE(
        printed.starts_with("ERROR: no free block pair in bank 3=D0\t\n"
                            "error at src/host_install/pair_allocation.cpp "))
        << printed;
    EXPECT_EQ(read_records(records_path),
              (std::vector<std::string>{write_record(3, 4, "No free block pair in Bank 3=D0\\t\\n"),
                                        FINALIZE_RECORD}));
}

}  // namespace
