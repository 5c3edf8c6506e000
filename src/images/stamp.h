// The stamp: the firmware build record on block-zero page 4 of every
// expected bank. It tells the drive the lengths of its firmware images, the
// page-scrambler seeds and the system block of each bank, and records the
// drive's identity, the firmware build and where, when and by whom the drive
// was produced. Little-endian; texts end in a zero byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "selected_build.h"

inline constexpr uint32_t STAMP_MAGIC = 0xC0C2E003;

inline constexpr size_t STAMP_MAGIC_OFFSET = 0;
inline constexpr size_t STAMP_BOOTLOADER_SIZE_OFFSET = 4;
inline constexpr size_t STAMP_OVERLAY_SIZE_OFFSET = 8;
inline constexpr size_t STAMP_RESERVED_OFFSET = 12;
inline constexpr size_t STAMP_SCRAMBLE_SEEDS_OFFSET = 16;
inline constexpr size_t STAMP_FIRMWARE_SIZE_OFFSET = 48;
// Always 32 (low-chip block, high-chip block) pairs; those of banks that are
// not expected stay zero.
inline constexpr size_t STAMP_SYSTEM_BLOCKS_OFFSET = 52;
inline constexpr size_t STAMP_SYSTEM_BLOCK_PAIRS = 32;
inline constexpr size_t STAMP_SERIAL_NUMBER_OFFSET = 180;
inline constexpr size_t STAMP_FW_REVISION_OFFSET = 200;
inline constexpr size_t STAMP_MODEL_NUMBER_OFFSET = 208;
inline constexpr size_t STAMP_BUILD_OPTIONS_OFFSET = 248;
inline constexpr size_t STAMP_FLASH_TYPE_OFFSET = 252;
inline constexpr size_t STAMP_CUSTOMER_TYPE_OFFSET = 256;
inline constexpr size_t STAMP_PCB_TYPE_OFFSET = 260;
inline constexpr size_t STAMP_SDRAM_SIZE_OFFSET = 264;
inline constexpr size_t STAMP_BANK_BMP_OFFSET = 268;
inline constexpr size_t STAMP_CLOCK_SPEED_OFFSET = 272;
inline constexpr size_t STAMP_NUM_BANKS_OFFSET = 276;
inline constexpr size_t STAMP_BUILD_NUMBER_OFFSET = 280;
inline constexpr size_t STAMP_FW_SOURCE_PATH_OFFSET = 284;
inline constexpr size_t STAMP_FW_BUILD_DATE_OFFSET = 796;
inline constexpr size_t STAMP_FW_BUILD_HOST_OFFSET = 828;
inline constexpr size_t STAMP_FW_BUILD_USER_OFFSET = 860;
inline constexpr size_t STAMP_STATION_DIR_OFFSET = 892;
inline constexpr size_t STAMP_STATION_DATE_OFFSET = 1404;
inline constexpr size_t STAMP_STATION_HOST_OFFSET = 1436;
inline constexpr size_t STAMP_STATION_USER_OFFSET = 1468;
inline constexpr size_t STAMP_RECORD_BYTES = STAMP_STATION_USER_OFFSET + STAMP_TEXT_FIELD_BYTES;

// The same in every build: the drive's SDRAM as its firmware sees it, and
// the controller clock in Hz.
inline constexpr uint32_t STAMP_SDRAM_SIZE = 65075200;
inline constexpr uint32_t STAMP_CLOCK_SPEED = 175000000;

static_assert(STAMP_RECORD_BYTES == 1500);
static_assert(BUILD_NUM_BANKS <= STAMP_SYSTEM_BLOCK_PAIRS);

// Fills the work block's stamp for this drive, all but the scrambler seeds
// and the reserved word, which prepare_images completes. Needs the system
// blocks of the firmware context and the settled identity texts.
void build_stamp();
