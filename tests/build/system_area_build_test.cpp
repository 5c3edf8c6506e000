// The firmware context and its installers in this build's layout: bank
// count, pages per block, master info copies and single-chip lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host_install/master_info.h"
#include "host_install/metadata_image.h"
#include "host_install/system_area_installers.h"
#include "support/captured_exit.h"
#include "support/firmware_context_fixture.h"
#include "support/flash_commands.h"

namespace {

constexpr uint32_t N = BUILD_NUM_BANKS;
constexpr uint32_t P = BUILD_PAGES_PER_BLOCK;

class SystemAreaLayout : public FirmwareContextTest {
  protected:
    void SetUp() override {
        FirmwareContextTest::SetUp();
        // The last bank: block 40 bad on the high chip only, block 61 on the
        // low chip only, so that its system blocks are 40 and 61.
        add_initial(N - 1, {0x8000 | 40, 61});
        build_context();
        drive.commands.clear();
    }
};

TEST_F(SystemAreaLayout, ContextFillsTheBuildsRecordsWithoutTouchingItsNeighbours) {
    for (uint32_t i = 0; i < N; ++i) {
        const uint8_t* state = pair_state(i);
        EXPECT_TRUE(std::all_of(state, state + PAIRS_PER_CHIP, [](uint8_t b) { return b == 0xFF; })) << i;
        EXPECT_TRUE(std::all_of(state + PAIRS_PER_CHIP, state + PAIR_STATE.free_bitmap, [](uint8_t b) {
            return b == 0;
        })) << i;
        const uint32_t pairs_used = i == 0 ? 7 : i == N - 1 ? 5 + 2 : 6;
        EXPECT_EQ(load_le16(bank_record(i)), 4096 - pairs_used) << i;
    }
    EXPECT_EQ(load_le32(master_info_buffer), 0xFFFFFFFEu);
    EXPECT_EQ(load_le32(master_info_buffer + MASTER_INFO.second_marker), 0xFFFFFFFEu);
    for (uint32_t copy = 0; copy < BUILD_MASTER_COPIES; ++copy) {
        for (uint32_t i = 0; i < N; ++i) {
            EXPECT_EQ(load_le16(master_metadata_pair_field(copy, i)), i == N - 1 ? 1u : 2u)
                << copy << " " << i;
        }
    }
    EXPECT_EQ(load_le16(master_system_blocks_field(N - 1)), 40u);
    EXPECT_EQ(load_le16(master_system_blocks_field(N - 1) + 2), 61u);
    EXPECT_EQ(work->system_blocks[N - 1].low, 40);
    EXPECT_EQ(load_le32(master_info_buffer + MASTER_INFO.magic), 0x6DA3E18Cu);
    EXPECT_EQ(load_le32(master_info_buffer + MASTER_INFO.content_bytes - 4), 0xFFFFFFFFu);
    EXPECT_TRUE(std::all_of(master_info_buffer + MASTER_INFO.content_bytes,
                            master_info_buffer + MASTER_INFO_BUFFER_BYTES, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(load_le32(image_tail() + 12), 0xFCE56378u);
}

TEST_F(SystemAreaLayout, MetadataAndZeroPagesCoverTheBuildsBanksAndPages) {
    install_zero_page();
    install_metadata();
    const std::vector<FlashCommand> got = flash_commands(drive);
    const uint32_t zero_page_commands = P * N + P * (N + 1);
    ASSERT_EQ(got.size(), zero_page_commands + 2 * (METADATA_IMAGE_UNITS + 1));
    for (uint32_t c = 0; c < METADATA_IMAGE_UNITS; ++c) {
        const uint32_t i = c % N;
        const uint32_t row = master_metadata_pair(i) * P + c / N;
        EXPECT_EQ(got[zero_page_commands + c],
                  pair_page(FOP_PROGRAM, BUILD_BANK_TABLE[i], 0x40100000 + 16384 * c, 16384, row, 0));
        EXPECT_EQ(got[zero_page_commands + METADATA_IMAGE_UNITS + 1 + c],
                  pair_page(FOP_READ, BUILD_BANK_TABLE[i], 0x40100000 + 16384 * c, 16384, row, 0));
    }
    EXPECT_EQ(got[P * N + N], SYNC) << "one sync after each page of all banks";
}

using SystemAreaLayoutDeathTest = SystemAreaLayout;

TEST_F(SystemAreaLayoutDeathTest, MasterInfoIsComparedOverItsContentToItsLastByte) {
    drive.damaged_banks = {0};
    drive.damaged_byte = MASTER_INFO.content_bytes;
    install_master_info();
    drive.damaged_byte = MASTER_INFO.content_bytes - 1;
    std::string printed;
    EXPECT_EXIT_CAPTURED(install_master_info(), 1, printed);
    EXPECT_EQ(dump("good.bin").size(), MASTER_INFO.content_bytes);
}

}  // namespace
