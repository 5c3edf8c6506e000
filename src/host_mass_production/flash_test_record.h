// The record exchanged with the drive-side flash test program: 263
// little-endian words. The tool sends it as the request (kind and count);
// the program returns it at sector 2048 as its status and results.
#pragma once

#include <cstdint>

#include "little_endian.h"

inline constexpr uint32_t FLASH_TEST_RECORD_WORDS = 263;
inline constexpr uint32_t FLASH_TEST_RECORD_BYTES = 4 * FLASH_TEST_RECORD_WORDS;

enum FlashTestRecordWord : uint32_t {
    RECORD_KIND = 0,
    RECORD_COUNT = 1,
    RECORD_MAGIC = 2,
    RECORD_STATE = 3,
    RECORD_BLOCK = 4,
    RECORD_TOTAL_ERRORS = 5,
    RECORD_READ_CYCLE = 6,
    RECORD_CORRECTABLE = 7,      // + 32 * column + bank; columns R, 1, 2, 3
    RECORD_UNCORRECTABLE = 135,  // + 32 * column + bank
};

inline constexpr uint32_t FLASH_TEST_MAGIC = 0x77665544;
inline constexpr uint32_t TIMING_COLUMNS = 4;  // R (reference), then the target's 1 to 3

enum FlashTestState : uint32_t {
    STATE_ERASE = 0,
    STATE_PROGRAM = 1,
    STATE_READ = 2,
    STATE_ERASE_AND_PROGRAM = 3,
    STATE_COMPLETE = 0x7777,
};

inline uint32_t record_word(const uint8_t* record, uint32_t word) {
    return load_le32(record + 4 * word);
}

inline uint32_t timing_errors(const uint8_t* record, bool correctable, uint32_t column, uint32_t bank) {
    return record_word(record,
                       (correctable ? RECORD_CORRECTABLE : RECORD_UNCORRECTABLE) + 32 * column + bank);
}
