// The installation fixture with the download's two zero-filled buffers, and
// helpers that fill the bad-block tables of a bank and build the firmware
// context from them as the download does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "host_install/bad_pair_lists.h"
#include "host_install/firmware_context.h"
#include "host_install/hil_context.h"
#include "host_install/system_area_layout.h"
#include "run_state/run_buffers.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "support/install_fixture.h"

class FirmwareContextTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        metadata_buffer = static_cast<uint8_t*>(platform::aligned_allocate(METADATA_IMAGE.total_bytes));
        master_info_buffer = static_cast<uint8_t*>(platform::aligned_allocate(MASTER_INFO_BUFFER_BYTES));
        ASSERT_NE(metadata_buffer, nullptr);
        ASSERT_NE(master_info_buffer, nullptr);
        std::memset(metadata_buffer, 0, METADATA_IMAGE.total_bytes);
        std::memset(master_info_buffer, 0, MASTER_INFO_BUFFER_BYTES);
    }
    void TearDown() override {
        release_hil_context();
        release_run_buffers();
        InstallTest::TearDown();
    }

    // Initial-table entries of the bank at bank index i: the block, with
    // 0x8000 for the high chip.
    static void add_initial(uint32_t bank_index, std::initializer_list<uint16_t> entries) {
        uint8_t* table = work->initial_bb_list[BUILD_BANK_TABLE[bank_index]];
        for (uint16_t entry : entries) {
            ASSERT_TRUE(append_initial_bb_entry(
                table, {static_cast<uint16_t>(entry & 0x7FFF), (entry & 0x8000) != 0}));
        }
    }

    static void add_runtime(uint32_t bank_index, RuntimeBbEntry entry) {
        ASSERT_TRUE(append_runtime_bb_entry(work->runtime_bb_list[BUILD_BANK_TABLE[bank_index]], entry));
    }

    static void build_context() {
        ASSERT_EQ(build_bad_pair_lists(), 1);
        ASSERT_EQ(build_firmware_context(), 1);
    }

    // A bad-pair list written straight into the image, for lists the tables
    // cannot produce.
    static void write_bad_pair_list(uint32_t bank_index, uint32_t type, uint32_t total,
                                    std::initializer_list<BadPairEntry> entries) {
        uint8_t* list = bad_pair_list(bank_index);
        store_le32(list, type);
        uint32_t n = 0;
        for (const BadPairEntry& entry : entries) {
            store_le16(list + 4 + 4 * n, entry.pair);
            list[6 + 4 * n] = entry.chip_mask;
            list[7 + 4 * n] = entry.type;
            ++n;
        }
        store_le16(bad_pair_counts(bank_index), static_cast<uint16_t>(total));
    }

    // Every bank's list empty, of type 2.
    static void write_empty_bad_pair_lists() {
        for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
            write_bad_pair_list(i, BAD_PAIR_LIST_TYPE, 0, {});
        }
    }
};
