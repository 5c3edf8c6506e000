// The pieces of the boot verdict (model/verdict.h): where the firmware finds
// its system data for the drive's build, and NAND read the way the firmware
// reads it at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/drive.h"

namespace sim {

inline constexpr uint32_t STAMP_PAGE = 4;
inline constexpr uint32_t BOOTLOADER_PAGE = 5;
inline constexpr uint32_t FIRMWARE_PAGE = 9;
inline constexpr uint32_t IMAGE_PAGE_BYTES = 2048;
inline constexpr uint32_t ENCODED_SECTOR_BYTES = 540;
inline constexpr uint32_t STAMP_BYTES = 1500;
inline constexpr uint32_t SEEDS = 16;

// Offsets of the master info and the metadata image, which grow with the
// number of banks and the pages per block of the build.
struct BootLayout {
    std::vector<uint32_t> banks;  // the expected bank positions, ascending
    uint32_t pages = 0;
    uint32_t master_second_marker = 0;
    uint32_t master_copies = 0;
    uint32_t master_system_blocks = 0;
    uint32_t master_location = 0;
    uint32_t master_hil_pairs = 0;
    uint32_t hil_location = 0;
    uint32_t master_magic = 0;
    uint32_t master_bytes = 0;
    uint32_t bad_pair_lists = 0;
    uint32_t bad_pair_counts = 0;
    uint32_t bank_records = 0;
    uint32_t image_tail = 0;
    uint32_t metadata_content = 0;
    uint32_t metadata_units = 0;
};

BootLayout boot_layout(const Drive& drive);

// What the stamp tells the firmware.
struct StampFacts {
    uint32_t bootloader_length = 0, firmware_length = 0, overlay_length = 0;
    uint16_t seeds[SEEDS] = {};
    std::vector<uint32_t> system_blocks;  // low-chip block, high-chip block per bank index
};

// Each step leaves the first reason the firmware would not start in `why`.
bool check_block_zero(const Drive& drive, const BootLayout& layout, StampFacts* stamp, std::string* why);
bool check_system_area(const Drive& drive, const BootLayout& layout, const StampFacts& stamp,
                       std::string* why);

// Page forms a read expects: the bits of a page word beside its content.
inline constexpr uint32_t NORMAL_FORM = 0;
inline constexpr uint32_t BIG_ECC_FORM = PAGE_BIG_ECC;
inline constexpr uint32_t RAW_BIG_ECC_FORM = PAGE_RAW | PAGE_BIG_ECC;

// One bank page (8192 bytes) with the low chip on `block_low` and the high
// chip on `block_high`; false, with the reason, unless both chip pages were
// programmed in `form` and did not fail.
bool read_page(const Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
               uint32_t form, uint8_t* out, std::string* why);
// One pair page (16384 bytes: blocks 2p and 2p + 1), normal ECC.
bool read_pair_page(const Drive& drive, uint32_t bank, uint32_t pair, uint32_t page, uint8_t* out,
                    std::string* why);

// Sets `why` from a printf format; always false.
bool refuse(std::string* why, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Puts the item the firmware was reading before `why`; always false.
inline bool in_item(const char* item, std::string* why) {
    *why = std::string(item) + ": " + *why;
    return false;
}

}  // namespace sim
