// The run-wide state of one production run: the work block and the values
// kept beside it. There is exactly one of each per process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/disk.h"
#include "sector.h"
#include "selected_build.h"

inline constexpr size_t BANK_POSITIONS = 32;
inline constexpr size_t BB_LIST_BYTES = 8192;
inline constexpr size_t BOOTLOADER_STAGING_BYTES = 4096;
inline constexpr size_t IMAGE_STAGING_BYTES = 0x18000;
inline constexpr size_t STAMP_BYTES = 1500;
inline constexpr size_t STAMP_COPY_BYTES = 2048;

// System block chosen for the low and the high chip of one expected bank.
struct SystemBlockPair {
    uint16_t low;
    uint16_t high;
};

struct WorkBlock {
    // The command sector: 128 little-endian words, word n at byte 4n. It must
    // stay the first member so that the block's page alignment makes it
    // 512-aligned.
    alignas(SECTOR_BYTES) uint8_t command[SECTOR_BYTES];
    uint8_t initial_bb_list[BANK_POSITIONS][BB_LIST_BYTES];
    uint8_t runtime_bb_list[BANK_POSITIONS][BB_LIST_BYTES];
    uint8_t bootloader_staging[BOOTLOADER_STAGING_BYTES];
    uint8_t firmware_staging[IMAGE_STAGING_BYTES];
    uint8_t overlay_staging[IMAGE_STAGING_BYTES];
    uint32_t firmware_length;
    uint32_t overlay_length;
    uint32_t bootloader_length;
    uint8_t stamp[STAMP_BYTES];
    alignas(SECTOR_BYTES) uint8_t stamp_copy[STAMP_COPY_BYTES];
    platform::DiskHandle drive;
    uint32_t initialized;
    SystemBlockPair system_blocks[BUILD_NUM_BANKS];
    uint8_t scan_list_found[BANK_POSITIONS];
};

// Allocated once at start-up; null before that.
extern WorkBlock* work;
