// Block 0 of every expected bank is the system block: the pages the tool
// reads or writes there.
#pragma once

#include <cstdint>

#include "selected_build.h"

inline constexpr uint32_t SYSTEM_BLOCK = 0;

// The bank's initial bad-block list, stored as its scan list.
inline constexpr uint32_t SCAN_LIST_PAGE = 0;
// Two pages of 0xFF.
inline constexpr uint32_t FIRST_BLANK_PAGE = 1;
inline constexpr uint32_t SECOND_BLANK_PAGE = 2;
// The bank's runtime bad-block list.
inline constexpr uint32_t RUNTIME_LIST_PAGE = 3;
// The firmware build record, written and read with Big ECC.
inline constexpr uint32_t STAMP_PAGE = 4;
// The second bootloader, then the calibration pattern on pages 6 to 8.
inline constexpr uint32_t BOOTLOADER_FIRST_PAGE = 5;
// The host-encoded firmware, then the overlay from the page after its last.
inline constexpr uint32_t FIRMWARE_FIRST_PAGE = 9;
// The drive's bad-block records, at most one per page, up to the block's end.
inline constexpr uint32_t FIRST_RECORD_PAGE = 10;
inline constexpr uint32_t LAST_RECORD_PAGE = BUILD_PAGES_PER_BLOCK - 1;
