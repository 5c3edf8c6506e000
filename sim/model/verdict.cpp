// The boot verdict in the order the firmware starts: block zero (stamp,
// bootloader, firmware, overlay), then the system area the stamp leads to.
#include "model/verdict.h"

#include "all_builds.h"
#include "model/boot_check.h"

namespace sim {

namespace {

constexpr uint32_t MAP_ALIGNMENT = 128;
constexpr uint32_t PAIRS = BLOCKS_PER_CHIP / 2;
constexpr uint32_t BAD_PAIR_LIST_BYTES = 2048;
constexpr uint32_t BAD_PAIR_COUNTS_BYTES = 12;
constexpr uint32_t SINGLE_CHIP_LIST_BYTES = 2056;
constexpr uint32_t SINGLE_CHIP_SPARE_BYTES = 512;
constexpr uint32_t PAIR_COUNTERS_BYTES = 4 * PAIRS;
constexpr uint32_t FREE_PAIR_BITMAP_BYTES = PAIRS / 8;
constexpr uint32_t BANK_RECORD_BYTES = 20;
constexpr uint32_t IMAGE_TAIL_BYTES = 16;

uint32_t round_up(uint32_t value, uint32_t unit) {
    return (value + unit - 1) / unit * unit;
}

void lay_out_master_info(const BuildParameters& build, BootLayout* layout) {
    const uint32_t n = static_cast<uint32_t>(layout->banks.size());
    layout->master_copies = build.master_copies;
    layout->master_second_marker = 4 + 2 * n * build.master_copies;
    layout->master_system_blocks = layout->master_second_marker + 4;
    layout->master_location = layout->master_system_blocks + 4 * n;
    layout->master_hil_pairs = layout->master_location + 8;
    layout->hil_location = layout->master_hil_pairs + 2 * n;
    layout->master_magic = layout->hil_location + 8;
    layout->master_bytes = layout->master_magic + 12;
}

void lay_out_metadata(const BuildParameters& build, BootLayout* layout) {
    const uint32_t n = static_cast<uint32_t>(layout->banks.size());
    const uint32_t p = layout->pages;
    layout->bad_pair_lists = round_up(3 * build.ftl_units + 2, MAP_ALIGNMENT);
    layout->bad_pair_counts = layout->bad_pair_lists + n * BAD_PAIR_LIST_BYTES;
    uint32_t at = layout->bad_pair_counts + n * BAD_PAIR_COUNTS_BYTES;
    if (build.single_chip_lists) {
        at += n * (SINGLE_CHIP_LIST_BYTES + SINGLE_CHIP_SPARE_BYTES);
    }
    const uint32_t pair_state = PAIRS + PAIRS * (p / 8) + PAIR_COUNTERS_BYTES + FREE_PAIR_BITMAP_BYTES;
    layout->bank_records = at + n * pair_state;
    const uint32_t active_record = 8 + p / 8 + 4 * (p - 1);
    layout->image_tail = layout->bank_records + n * BANK_RECORD_BYTES + n * active_record;
    layout->metadata_content = layout->image_tail + IMAGE_TAIL_BYTES;
    layout->metadata_units = round_up(layout->metadata_content, PAIR_PAGE_BYTES) / PAIR_PAGE_BYTES;
}

}  // namespace

BootLayout boot_layout(const Drive& drive) {
    const BuildParameters& build = *ALL_BUILDS[drive.config.build - 1];
    BootLayout layout;
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        if ((build.bank_bmp >> b) & 1) {
            layout.banks.push_back(b);
        }
    }
    layout.pages = pages_per_block(drive);
    lay_out_master_info(build, &layout);
    lay_out_metadata(build, &layout);
    return layout;
}

std::string judge_boot(const Drive& drive) {
    if (drive.config.build < 1 || drive.config.build > BUILD_COUNT) {
        return "the drive's build is unknown";
    }
    const BootLayout layout = boot_layout(drive);
    StampFacts stamp;
    std::string why;
    if (!check_block_zero(drive, layout, &stamp, &why) || !check_system_area(drive, layout, stamp, &why)) {
        return why;
    }
    return WOULD_BOOT;
}

void record_boot_verdict(Drive& drive) {
    drive.boot_verdict = judge_boot(drive);
}

}  // namespace sim
