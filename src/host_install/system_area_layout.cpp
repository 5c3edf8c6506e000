// Holds the system-area layout of every build to the values its drives and
// their firmware are known to use, and to the limits of the structures that
// carry it. A parameter change that moves a region fails here, at compile time.
#include "host_install/system_area_layout.h"

#include "run_state/work_block.h"

namespace {

struct KnownLayout {
    uint32_t map_high_words;
    uint32_t bad_pair_list;
    uint32_t bad_pair_counts;
    uint32_t single_chip_list;
    uint32_t single_chip_zero_area;
    uint32_t pair_state;
    uint32_t pair_state_bank_bytes;
    uint32_t bank_record;
    uint32_t active_block_record;
    uint32_t active_block_record_bank_bytes;
    uint32_t image_tail;
    uint32_t content_bytes;
    uint32_t readback_bytes;
    uint32_t total_bytes;
    uint32_t master_second_marker;
    uint32_t master_system_blocks;
    uint32_t master_location;
    uint32_t master_hil_pairs;
    uint32_t master_hil_location;
    uint32_t master_magic;
    uint32_t master_content_bytes;
    uint32_t unit_address_bits;
    uint32_t zero_page_readback_bytes;
    uint64_t fragmentation_order_bytes;
};

// 8 banks of 128 pages: builds 1, 2 and 4.
constexpr KnownLayout EIGHT_BANK_LAYOUT = {
    .map_high_words = 0x3BA058,
    .bad_pair_list = 0xB2E180,
    .bad_pair_counts = 0xB32180,
    .single_chip_list = 0xB321E0,
    .single_chip_zero_area = 0xB36220,
    .pair_state = 0xB37220,
    .pair_state_bank_bytes = 0x15200,
    .bank_record = 0xBE0220,
    .active_block_record = 0xBE02C0,
    .active_block_record_bank_bytes = 0x214,
    .image_tail = 0xBE1360,
    .content_bytes = 0xBE1370,
    .readback_bytes = 0xBE1400,
    .total_bytes = 0xBE4000,
    .master_second_marker = 0x24,
    .master_system_blocks = 0x28,
    .master_location = 0x48,
    .master_hil_pairs = 0x50,
    .master_hil_location = 0x60,
    .master_magic = 0x68,
    .master_content_bytes = 116,
    .unit_address_bits = 22,
    .zero_page_readback_bytes = 0x20000,
    .fragmentation_order_bytes = 15630680,
};

// 16 banks of 64 pages: build 3.
constexpr KnownLayout SIXTEEN_BANK_LAYOUT = {
    .map_high_words = 0x3BA058,
    .bad_pair_list = 0xB2E180,
    .bad_pair_counts = 0xB36180,
    .single_chip_list = 0xB36240,
    .single_chip_zero_area = 0xB3E2C0,
    .pair_state = 0xB402C0,
    .pair_state_bank_bytes = 0xD200,
    .bank_record = 0xC122C0,
    .active_block_record = 0xC12400,
    .active_block_record_bank_bytes = 0x10C,
    .image_tail = 0xC134C0,
    .content_bytes = 0xC134D0,
    .readback_bytes = 0xC13600,
    .total_bytes = 0xC14000,
    .master_second_marker = 0x44,
    .master_system_blocks = 0x48,
    .master_location = 0x88,
    .master_hil_pairs = 0x90,
    .master_hil_location = 0xB0,
    .master_magic = 0xB8,
    .master_content_bytes = 196,
    .unit_address_bits = 22,
    .zero_page_readback_bytes = 0x40000,
    .fragmentation_order_bytes = 15630680,
};

// 32 banks of 128 pages and four times the capacity, without single-chip
// lists (their region and zero area are empty): build 5.
constexpr KnownLayout THIRTY_TWO_BANK_LAYOUT = {
    .map_high_words = 0xEE7998,
    .bad_pair_list = 0x2CB6D00,
    .bad_pair_counts = 0x2CC6D00,
    .single_chip_list = 0x2CC6E80,
    .single_chip_zero_area = 0x2CC6E80,
    .pair_state = 0x2CC6E80,
    .pair_state_bank_bytes = 0x15200,
    .bank_record = 0x2F6AE80,
    .active_block_record = 0x2F6B100,
    .active_block_record_bank_bytes = 0x214,
    .image_tail = 0x2F6F380,
    .content_bytes = 0x2F6F390,
    .readback_bytes = 0x2F6F400,
    .total_bytes = 0x2F70000,
    .master_second_marker = 0x44,
    .master_system_blocks = 0x48,
    .master_location = 0xC8,
    .master_hil_pairs = 0xD0,
    .master_hil_location = 0x110,
    .master_magic = 0x118,
    .master_content_bytes = 292,
    .unit_address_bits = 24,
    .zero_page_readback_bytes = 0x80000,
    .fragmentation_order_bytes = 62514776,
};

constexpr bool matches(const BuildParameters& build, const KnownLayout& known) {
    const MetadataImageLayout image = metadata_image_layout(build);
    const MasterInfoLayout master = master_info_layout(build);
    return image.map_high_words == known.map_high_words && image.bad_pair_list == known.bad_pair_list &&
           image.bad_pair_counts == known.bad_pair_counts &&
           image.single_chip_list == known.single_chip_list &&
           image.single_chip_zero_area == known.single_chip_zero_area &&
           image.pair_state == known.pair_state &&
           pair_state_layout(build.pages_per_block).bytes == known.pair_state_bank_bytes &&
           image.bank_record == known.bank_record && image.active_block_record == known.active_block_record &&
           active_block_record_layout(build.pages_per_block).bytes == known.active_block_record_bank_bytes &&
           image.image_tail == known.image_tail && image.content_bytes == known.content_bytes &&
           image.readback_bytes == known.readback_bytes && image.total_bytes == known.total_bytes &&
           master.metadata_pairs == 4 && master.second_marker == known.master_second_marker &&
           master.system_blocks == known.master_system_blocks &&
           master.master_location == known.master_location && master.hil_pairs == known.master_hil_pairs &&
           master.hil_location == known.master_hil_location && master.magic == known.master_magic &&
           master.content_bytes == known.master_content_bytes &&
           physical_unit_address_bits(build) == known.unit_address_bits &&
           zero_page_readback_bytes(build) == known.zero_page_readback_bytes &&
           fragmentation_order_bytes(build) == known.fragmentation_order_bytes;
}

static_assert(matches(BUILD_1_PARAMETERS, EIGHT_BANK_LAYOUT), "build 1 system-area layout");
static_assert(matches(BUILD_2_PARAMETERS, EIGHT_BANK_LAYOUT), "build 2 system-area layout");
static_assert(matches(BUILD_3_PARAMETERS, SIXTEEN_BANK_LAYOUT), "build 3 system-area layout");
static_assert(matches(BUILD_4_PARAMETERS, EIGHT_BANK_LAYOUT), "build 4 system-area layout");
static_assert(matches(BUILD_5_PARAMETERS, THIRTY_TWO_BANK_LAYOUT), "build 5 system-area layout");

// What holds the selected build's layout must have room for it.
static_assert(PHYSICAL_UNIT_ADDRESS_BITS <= 24, "the map stores 8 low bits and 16 high bits per unit");
static_assert(METADATA_IMAGE.total_bytes % PAIR_PAGE_BYTES == 0);
static_assert((METADATA_IMAGE_UNITS + BUILD_NUM_BANKS - 1) / BUILD_NUM_BANKS <= BUILD_PAGES_PER_BLOCK,
              "the metadata image must fit the metadata pair of every bank");
static_assert(MASTER_INFO.content_bytes <= MASTER_INFO_BUFFER_BYTES);
static_assert(sizeof(WorkBlock::system_blocks) == SYSTEM_BLOCKS_BYTES);

}  // namespace
