#include "host_install/ftl_fragmentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "codec/random.h"
#include "host_install/metadata_image.h"
#include "support/firmware_context_fixture.h"

namespace {

constexpr uint32_t N = BUILD_NUM_BANKS;
constexpr uint32_t P = BUILD_PAGES_PER_BLOCK;
constexpr uint32_t U = BUILD_FTL_UNITS;
constexpr uint32_t SUMMARY_BYTES = ACTIVE_BLOCK_RECORD.bytes <= 512 ? 512 : 1024;

// The drive's side of the fragmentation, checked as it goes and kept small:
// transfers are dropped once seen, since there are millions of them.
struct FragmentationDrive {
    std::vector<uint8_t> window = std::vector<uint8_t>(SUMMARY_BYTES);
    std::vector<std::vector<bool>> programmed =
        std::vector<std::vector<bool>>(N, std::vector<bool>(4096 * P));
    std::vector<std::vector<std::vector<uint8_t>>> summaries =
        std::vector<std::vector<std::vector<uint8_t>>>(N);
    uint32_t unit_programs = 0;
    uint32_t faults = 0;  // commands that broke a rule
    bool synced = false;
    uint32_t last_opcode = 0;

    void fault(bool broken) {
        faults += broken ? 1 : 0;
    }

    void flash_program(const uint8_t* c) {
        const uint32_t bank = load_le32(c + 4 * WORD_BANK);
        const uint32_t row = load_le32(c + 4 * WORD_ROW_LOW);
        const uint32_t bytes = load_le32(c + 4 * WORD_BYTE_COUNT);
        const uint32_t i = static_cast<uint32_t>(
            std::find(BUILD_BANK_TABLE.begin(), BUILD_BANK_TABLE.end(), bank) - BUILD_BANK_TABLE.begin());
        fault(i == N || load_le32(c + 4 * WORD_OPTIONS) != 0x47 || load_le32(c + 4 * WORD_ROW_HIGH) != row ||
              load_le32(c + 4 * WORD_SDRAM_ADDR) != 0x40100000 || load_le32(c + 4 * WORD_BATCH_FLAG) != 1 ||
              load_le32(c + 4 * WORD_NAND_CMD) != 0);
        if (i == N || row >= 4096 * P) {
            return;
        }
        fault(programmed[i][row]);
        programmed[i][row] = true;
        // A pair's last page is its summary; the pages before it hold units.
        if (row % P != P - 1) {
            fault(i != unit_programs % N || bytes != 512 || load_le32(c + 4 * WORD_WAIT_FLAG) != 0 ||
                  std::any_of(window.begin(), window.begin() + 512, [](uint8_t b) { return b != 0; }));
            ++unit_programs;
        } else {
            // The record and what follows it in the image, as they are now.
            fault(bytes != SUMMARY_BYTES || !synced || load_le32(c + 4 * WORD_WAIT_FLAG) != 1 ||
                  std::memcmp(window.data(), active_block_record(i), SUMMARY_BYTES) != 0);
            summaries[i].push_back(window);
        }
        synced = false;
    }

    void answer(DiskTransfer& transfer) {
        if (transfer.is_write && transfer.position == 0x100000) {
            std::copy_n(transfer.data.begin(), std::min<size_t>(transfer.bytes, window.size()),
                        window.begin());
        } else if (transfer.is_write && transfer.position == 0) {
            const uint32_t opcode = load_le32(transfer.data.data());
            if (opcode == CMD_FLASH_OP) {
                flash_program(transfer.data.data());
            }
            synced = opcode == CMD_FLASH_SYNC || (synced && opcode == CMD_DATA_ONLY);
            last_opcode = opcode;
        }
        recording_disk.transfers.pop_back();
    }
};

// The unit order the fragmentation must follow from the generator's stream.
std::vector<uint32_t> expected_order(uint32_t seed) {
    random_init(seed);
    std::vector<uint32_t> order(U);
    for (uint32_t u = 0; u < U; ++u) {
        order[u] = u;
    }
    for (uint32_t n = 0; n < 10 * U; ++n) {
        const int32_t a = random_range(0, static_cast<int32_t>(U - 1));
        const int32_t b = random_range(0, static_cast<int32_t>(U - 1));
        std::swap(order[a], order[b]);
    }
    return order;
}

uint32_t map_entry(uint32_t unit) {
    return map_low_bytes()[unit] | static_cast<uint32_t>(load_le16(map_high_words() + 2 * unit)) << 8;
}

using FtlFragmentation = FirmwareContextTest;

TEST_F(FtlFragmentation, WritesEveryUnitOnceInTheShuffledOrderAndKeepsTheImageConsistent) {
    add_initial(N - 1, {40, 0x8000 | 41, 900});
    build_context();
    std::vector<uint32_t> first_active(N);
    std::vector<uint32_t> first_free(N);
    for (uint32_t i = 0; i < N; ++i) {
        first_active[i] = load_le16(active_block_record(i));
        first_free[i] = load_le16(bank_record(i));
    }
    FragmentationDrive drive_side;
    recording_disk.after_transfer = [&drive_side](DiskTransfer& t) { drive_side.answer(t); };
    random_init(77);
    testing::internal::CaptureStdout();
    ftl_fragmentation();
    const std::string printed = testing::internal::GetCapturedStdout();
    const std::vector<uint32_t> order = expected_order(77);

    EXPECT_EQ(drive_side.faults, 0u);
    EXPECT_EQ(drive_side.unit_programs, U);
    EXPECT_EQ(drive_side.last_opcode, CMD_FLASH_SYNC)
        << "the open pairs' pages reach the flash before a reset";
    // Where order position k went: bank index k mod N, the (k div N)-th unit
    // page of that bank, pair after pair.
    std::vector<bool> unit_seen(U);
    uint64_t pages_counted = 0;
    size_t summary_count = 0;
    auto check_page = [&](uint32_t i, uint32_t pair, uint32_t nth_page, uint32_t unit) {
        const uint64_t k = uint64_t{nth_page} * N + i;
        ASSERT_LT(unit, U);
        EXPECT_EQ(unit, order[k]) << "order position " << k;
        EXPECT_FALSE(unit_seen[unit]);
        unit_seen[unit] = true;
        EXPECT_EQ(map_entry(unit), (i * 4096 + pair) * P + nth_page % (P - 1)) << "unit " << unit;
    };
    for (uint32_t i = 0; i < N; ++i) {
        const auto& summaries = drive_side.summaries[i];
        ASSERT_FALSE(summaries.empty());
        EXPECT_EQ(load_le16(summaries[0].data()), first_active[i]);
        for (uint32_t j = 0; j < summaries.size(); ++j) {
            const uint8_t* summary = summaries[j].data();
            const uint32_t pair = load_le16(summary);
            EXPECT_EQ(load_le16(summary + 2), P - 1);
            EXPECT_EQ(load_le32(summary + 4), P - 1);
            EXPECT_EQ(pair_state(i)[pair], P - 2) << "written pages minus 1";
            for (uint32_t p = 0; p < P - 1; ++p) {
                check_page(i, pair, j * (P - 1) + p,
                           load_le32(summary + ACTIVE_BLOCK_RECORD.logical_units + 4 * p));
            }
        }
        pages_counted += (P - 1) * summaries.size();
        const uint8_t* record = active_block_record(i);
        const uint32_t written = load_le32(record + 4);
        EXPECT_EQ(load_le16(record + 2), written);
        EXPECT_EQ(pair_state(i)[load_le16(record)], 0xFF) << "the open pair is not yet counted";
        for (uint32_t p = 0; p < written; ++p) {
            check_page(i, load_le16(record), static_cast<uint32_t>(summaries.size()) * (P - 1) + p,
                       load_le32(record + ACTIVE_BLOCK_RECORD.logical_units + 4 * p));
        }
        EXPECT_EQ(load_le32(record + ACTIVE_BLOCK_RECORD.logical_units + 4 * written), 0xFFFFFFFF);
        pages_counted += written;
        EXPECT_EQ(load_le16(bank_record(i)), first_free[i] - summaries.size())
            << "one pair allocated per summary";
        summary_count += summaries.size();
    }
    EXPECT_EQ(pages_counted, U);
    EXPECT_TRUE(std::all_of(unit_seen.begin(), unit_seen.end(), [](bool seen) { return seen; }));

    // One progress line per full pair, the first when bank index 0 fills its
    // first pair.
    EXPECT_EQ(static_cast<size_t>(std::count(printed.begin(), printed.end(), '\r')), summary_count);
    char first_line[64];
    std::snprintf(first_line, sizeof first_line, "fragmentation...%.2f%%\r", (P - 2) * N * 100.0 / U);
    EXPECT_TRUE(printed.starts_with(first_line)) << printed.substr(0, 40);
    EXPECT_TRUE(printed.ends_with("fragmentation...done\t\t\n"));
}

}  // namespace
