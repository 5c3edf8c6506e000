// The build this program is made for, chosen when it is compiled
// (PRODTOOL_BUILD, 1 to 5). Everything that differs between drive
// configurations is read from here under its BUILD_ name; values that follow
// from the parameters are computed, never typed in a second time.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "all_builds.h"

#ifndef PRODTOOL_BUILD
#error "PRODTOOL_BUILD must name the build (1 to 5) this program is made for"
#endif
static_assert(PRODTOOL_BUILD >= 1 && PRODTOOL_BUILD <= BUILD_COUNT, "no such build");

inline constexpr const BuildParameters& BUILD = *ALL_BUILDS[PRODTOOL_BUILD - 1];

inline constexpr uint32_t BUILD_BANK_BMP = BUILD.bank_bmp;
inline constexpr uint32_t BUILD_NUM_BANKS = std::popcount(BUILD_BANK_BMP);
inline constexpr uint8_t BUILD_MAKER_ID = BUILD.maker_id;
inline constexpr uint32_t BUILD_SPEC_ID = BUILD.spec_id;
inline constexpr uint32_t BUILD_PAGES_PER_BLOCK = BUILD.pages_per_block;
inline constexpr uint32_t BUILD_CTRL_CONFIG = BUILD.ctrl_config;
inline constexpr uint32_t BUILD_CTRL_CONFIG_BIG = BUILD.ctrl_config_big;
inline constexpr uint32_t BUILD_FLASH_IF_WORD = BUILD.flash_if_word;
inline constexpr uint32_t BUILD_MAX_BAD_BLOCKS = BUILD.max_bad_blocks;
inline constexpr uint32_t BUILD_FTL_UNITS = BUILD.ftl_units;
inline constexpr bool BUILD_SINGLE_CHIP_LISTS = BUILD.single_chip_lists;
inline constexpr uint32_t BUILD_MASTER_COPIES = BUILD.master_copies;

// Build constants and firmware provenance texts carried in the stamp.
inline constexpr uint32_t BUILD_STAMP_BUILD_OPTIONS = BUILD.stamp_build_options;
inline constexpr uint32_t BUILD_STAMP_FLASH_TYPE = BUILD.stamp_flash_type;
inline constexpr uint32_t BUILD_STAMP_CUSTOMER_TYPE = BUILD.stamp_customer_type;
inline constexpr uint32_t BUILD_STAMP_PCB_TYPE = BUILD.stamp_pcb_type;
inline constexpr uint32_t BUILD_STAMP_BUILD_NUMBER = BUILD.stamp_build_number;
inline constexpr const char* BUILD_FW_SOURCE_PATH = firmware_family_texts(BUILD.firmware_family).source_path;
inline constexpr const char* BUILD_FW_BUILD_DATE = BUILD.fw_build_date;
inline constexpr const char* BUILD_FW_BUILD_HOST = firmware_family_texts(BUILD.firmware_family).build_host;
inline constexpr const char* BUILD_FW_BUILD_USER = firmware_family_texts(BUILD.firmware_family).build_user;

// The expected bank numbers in ascending order: the set bits of the bitmap.
inline constexpr std::array<uint8_t, BUILD_NUM_BANKS> BUILD_BANK_TABLE = [] {
    std::array<uint8_t, BUILD_NUM_BANKS> table{};
    uint32_t index = 0;
    for (uint32_t bank = 0; bank < 32; ++bank) {
        if (BUILD_BANK_BMP & (1u << bank)) {
            table[index++] = static_cast<uint8_t>(bank);
        }
    }
    return table;
}();

// Row shift of the first page of a block (7 for 128 pages per block).
inline constexpr uint32_t BUILD_PAGES_PER_BLOCK_LOG2 = std::countr_zero(BUILD_PAGES_PER_BLOCK);
static_assert(std::has_single_bit(BUILD_PAGES_PER_BLOCK));
static_assert((BUILD_CTRL_CONFIG_BIG & 0x2000) && !(BUILD_CTRL_CONFIG & 0x2000),
              "Big ECC is bit 13 of the controller word");
