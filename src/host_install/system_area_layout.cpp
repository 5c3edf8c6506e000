// Holds the system-area layout of every build to the values its drives and
// their firmware are known to use, and to the limits of the structures that
// carry it. A parameter change that moves a region fails here, at compile time.
#include "host_install/system_area_layout.h"

#include "host_mass_production/work_block.h"

namespace {

struct KnownLayout {
    const BuildParameters& build;
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

// Builds 2 and 4 share the geometry of build 1; in build 5 the single-chip
// lists and their zero area are absent (their offsets equal pair_state's).
constexpr KnownLayout KNOWN_LAYOUTS[] = {
    {BUILD_1_PARAMETERS,
     0x3BA058,
     0xB2E180,
     0xB32180,
     0xB321E0,
     0xB36220,
     0xB37220,
     0x15200,
     0xBE0220,
     0xBE02C0,
     0x214,
     0xBE1360,
     0xBE1370,
     0xBE1400,
     0xBE4000,
     0x24,
     0x28,
     0x48,
     0x50,
     0x60,
     0x68,
     116,
     22,
     0x20000,
     15630680},
    {BUILD_2_PARAMETERS,
     0x3BA058,
     0xB2E180,
     0xB32180,
     0xB321E0,
     0xB36220,
     0xB37220,
     0x15200,
     0xBE0220,
     0xBE02C0,
     0x214,
     0xBE1360,
     0xBE1370,
     0xBE1400,
     0xBE4000,
     0x24,
     0x28,
     0x48,
     0x50,
     0x60,
     0x68,
     116,
     22,
     0x20000,
     15630680},
    {BUILD_3_PARAMETERS,
     0x3BA058,
     0xB2E180,
     0xB36180,
     0xB36240,
     0xB3E2C0,
     0xB402C0,
     0xD200,
     0xC122C0,
     0xC12400,
     0x10C,
     0xC134C0,
     0xC134D0,
     0xC13600,
     0xC14000,
     0x44,
     0x48,
     0x88,
     0x90,
     0xB0,
     0xB8,
     196,
     22,
     0x40000,
     15630680},
    {BUILD_4_PARAMETERS,
     0x3BA058,
     0xB2E180,
     0xB32180,
     0xB321E0,
     0xB36220,
     0xB37220,
     0x15200,
     0xBE0220,
     0xBE02C0,
     0x214,
     0xBE1360,
     0xBE1370,
     0xBE1400,
     0xBE4000,
     0x24,
     0x28,
     0x48,
     0x50,
     0x60,
     0x68,
     116,
     22,
     0x20000,
     15630680},
    {BUILD_5_PARAMETERS,
     0xEE7998,
     0x2CB6D00,
     0x2CC6D00,
     0x2CC6E80,
     0x2CC6E80,
     0x2CC6E80,
     0x15200,
     0x2F6AE80,
     0x2F6B100,
     0x214,
     0x2F6F380,
     0x2F6F390,
     0x2F6F400,
     0x2F70000,
     0x44,
     0x48,
     0xC8,
     0xD0,
     0x110,
     0x118,
     292,
     24,
     0x80000,
     62514776},
};

constexpr bool matches(const KnownLayout& known) {
    const MetadataImageLayout image = metadata_image_layout(known.build);
    const MasterInfoLayout master = master_info_layout(known.build);
    return image.map_high_words == known.map_high_words && image.bad_pair_list == known.bad_pair_list &&
           image.bad_pair_counts == known.bad_pair_counts &&
           image.single_chip_list == known.single_chip_list &&
           image.single_chip_zero_area == known.single_chip_zero_area &&
           image.pair_state == known.pair_state &&
           pair_state_layout(known.build.pages_per_block).bytes == known.pair_state_bank_bytes &&
           image.bank_record == known.bank_record && image.active_block_record == known.active_block_record &&
           active_block_record_layout(known.build.pages_per_block).bytes ==
               known.active_block_record_bank_bytes &&
           image.image_tail == known.image_tail && image.content_bytes == known.content_bytes &&
           image.readback_bytes == known.readback_bytes && image.total_bytes == known.total_bytes &&
           master.metadata_pairs == 4 && master.second_marker == known.master_second_marker &&
           master.system_blocks == known.master_system_blocks &&
           master.master_location == known.master_location && master.hil_pairs == known.master_hil_pairs &&
           master.hil_location == known.master_hil_location && master.magic == known.master_magic &&
           master.content_bytes == known.master_content_bytes &&
           physical_unit_address_bits(known.build) == known.unit_address_bits &&
           zero_page_readback_bytes(known.build) == known.zero_page_readback_bytes &&
           fragmentation_order_bytes(known.build) == known.fragmentation_order_bytes;
}

static_assert(matches(KNOWN_LAYOUTS[0]), "build 1 system-area layout");
static_assert(matches(KNOWN_LAYOUTS[1]), "build 2 system-area layout");
static_assert(matches(KNOWN_LAYOUTS[2]), "build 3 system-area layout");
static_assert(matches(KNOWN_LAYOUTS[3]), "build 4 system-area layout");
static_assert(matches(KNOWN_LAYOUTS[4]), "build 5 system-area layout");

// What holds the selected build's layout must have room for it.
static_assert(PHYSICAL_UNIT_ADDRESS_BITS <= 24, "the map stores 8 low bits and 16 high bits per unit");
static_assert(METADATA_IMAGE.total_bytes % PAIR_PAGE_BYTES == 0);
static_assert((METADATA_IMAGE_UNITS + BUILD_NUM_BANKS - 1) / BUILD_NUM_BANKS <= BUILD_PAGES_PER_BLOCK,
              "the metadata image must fit the metadata pair of every bank");
static_assert(MASTER_INFO.content_bytes <= MASTER_INFO_BUFFER_BYTES);
static_assert(sizeof(WorkBlock::system_blocks) == SYSTEM_BLOCKS_BYTES);

}  // namespace
