#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_actions/bb_event_record.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "little_endian.h"

namespace {

struct Image {
    uint8_t bytes[8192] = {};
};

TEST(InitialBbList, EntriesKeepTheirChipBitAndOrderAndFillExactlyTheImage) {
    Image list;
    // One block bad on both chips: two entries, low first as found.
    ASSERT_TRUE(append_initial_bb_entry(list.bytes, {0x7FFF, false}));
    ASSERT_TRUE(append_initial_bb_entry(list.bytes, {0x7FFF, true}));
    ASSERT_TRUE(append_initial_bb_entry(list.bytes, {5, false}));
    EXPECT_EQ(load_le16(list.bytes), 3);
    EXPECT_EQ(load_le16(list.bytes + 2), 0x7FFF);
    EXPECT_EQ(load_le16(list.bytes + 4), 0xFFFF);
    EXPECT_EQ(load_le16(list.bytes + 6), 5);
    const InitialBbEntry second = initial_bb_entry(list.bytes, 1);
    EXPECT_EQ(second.block, 0x7FFF);
    EXPECT_TRUE(second.high_chip);
    EXPECT_FALSE(initial_bb_entry(list.bytes, 0).high_chip);

    for (uint32_t i = 3; i < INITIAL_BB_MAX_ENTRIES; ++i) {
        ASSERT_TRUE(append_initial_bb_entry(list.bytes, {static_cast<uint16_t>(i), true}));
    }
    EXPECT_EQ(load_le16(list.bytes + 8190), 0x8000 | (INITIAL_BB_MAX_ENTRIES - 1))
        << "last entry, last bytes";
    Image before = list;
    EXPECT_FALSE(append_initial_bb_entry(list.bytes, {1, false}));
    EXPECT_EQ(std::memcmp(before.bytes, list.bytes, sizeof list.bytes), 0);
}

TEST(BadBlockLists, StoredCountsBeyondTheImageAreTakenAsItsRoom) {
    Image list;
    store_le16(list.bytes, 0xFFFF);
    EXPECT_EQ(initial_bb_count(list.bytes), 4095u);
    EXPECT_FALSE(append_initial_bb_entry(list.bytes, {1, false}));
    store_le32(list.bytes + 12, 100000);
    EXPECT_EQ(runtime_bb_count(list.bytes), 2044u);
    EXPECT_FALSE(append_runtime_bb_entry(list.bytes, {1, CHIP_MASK_LOW, BB_TYPE_EB}));
}

TEST(RuntimeBbList, LayoutAroundTheReservedWordAndEntryPacking) {
    Image list;
    store_le32(list.bytes + 8, 0xA5A5A5A5);
    EXPECT_FALSE(runtime_bb_has_magic(list.bytes));
    set_runtime_bb_magic(list.bytes);
    EXPECT_TRUE(runtime_bb_has_magic(list.bytes));
    EXPECT_EQ(load_le32(list.bytes), 0x39FB0248u);
    EXPECT_EQ(load_le32(list.bytes + 4), 0x77884455u);
    ASSERT_TRUE(append_runtime_bb_entry(list.bytes, {0x1234, CHIP_MASK_LOW | CHIP_MASK_HIGH, BB_TYPE_EB}));
    ASSERT_TRUE(append_runtime_bb_entry(list.bytes, {8191, CHIP_MASK_HIGH, BB_TYPE_RBB}));
    EXPECT_EQ(load_le32(list.bytes + 8), 0xA5A5A5A5u) << "reserved word left as found";
    EXPECT_EQ(load_le32(list.bytes + 12), 2u);
    EXPECT_EQ(load_le32(list.bytes + 16), 0x04031234u);
    EXPECT_EQ(load_le16(list.bytes + 20), 8191);
    EXPECT_EQ(list.bytes[22], CHIP_MASK_HIGH);
    EXPECT_EQ(list.bytes[23], BB_TYPE_RBB);
    const RuntimeBbEntry second = runtime_bb_entry(list.bytes, 1);
    EXPECT_EQ(second.block, 8191);
    EXPECT_EQ(second.chip_mask, CHIP_MASK_HIGH);
    EXPECT_EQ(second.bb_type, BB_TYPE_RBB);

    for (uint32_t i = 2; i < RUNTIME_BB_MAX_ENTRIES; ++i) {
        ASSERT_TRUE(
            append_runtime_bb_entry(list.bytes, {static_cast<uint16_t>(i), CHIP_MASK_LOW, BB_TYPE_E}));
    }
    EXPECT_EQ(load_le32(list.bytes + 8188), 0x010107FBu) << "entry 2043 fills the last four bytes";
    EXPECT_FALSE(append_runtime_bb_entry(list.bytes, {1, CHIP_MASK_LOW, BB_TYPE_E}));
}

TEST(RuntimeBbList, TypesPrintTheirMarkerAndFallIntoTheirFailureGroup) {
    const struct {
        uint8_t type;
        const char* marker;
        BbFailureGroup group;
    } cases[] = {
        {0, "? ", BbFailureGroup::unknown},   {1, "E ", BbFailureGroup::erase},
        {2, "P ", BbFailureGroup::program},   {3, "R ", BbFailureGroup::read},
        {4, "EB ", BbFailureGroup::erase},    {5, "PB ", BbFailureGroup::program},
        {6, "RB ", BbFailureGroup::read},     {7, "RBP ", BbFailureGroup::read},
        {8, "RBB ", BbFailureGroup::read},    {9, "? ", BbFailureGroup::unknown},
        {255, "? ", BbFailureGroup::unknown},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(bb_type_marker(c.type), c.marker) << int{c.type};
        EXPECT_EQ(bb_failure_group(c.type), c.group) << int{c.type};
    }
}

TEST(BbEventRecord, OnlyPagesWithBothMagicWordsCarryARecord) {
    Image page;
    store_le32(page.bytes, 0x33221100);
    store_le32(page.bytes + 4, 0xCC99E2A9);
    store_le32(page.bytes + 8, BB_RECORD_PAIR_2048_APART);
    store_le32(page.bytes + 12, 0xDEADBEEF);
    store_le32(page.bytes + 16, 0x06020800);
    BbEventRecord record{};
    ASSERT_TRUE(read_bb_event_record(page.bytes, &record));
    EXPECT_EQ(record.kind, 3u);
    EXPECT_EQ(record.entry.block, 0x0800);
    EXPECT_EQ(record.entry.chip_mask, CHIP_MASK_HIGH);
    EXPECT_EQ(record.entry.bb_type, BB_TYPE_RB);

    store_le32(page.bytes + 4, 0xCC99E2A8);
    EXPECT_FALSE(read_bb_event_record(page.bytes, &record));
    std::memset(page.bytes, 0xFF, sizeof page.bytes);
    EXPECT_FALSE(read_bb_event_record(page.bytes, &record));
}

}  // namespace
