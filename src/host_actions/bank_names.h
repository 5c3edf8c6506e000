// How messages name a bank position: its number, then the channel letter
// 'A' + (bank mod 4) and the chip-enable number bank div 4, so that bank 9 is
// B2 and bank 31 is D7. Each format takes BANK_NAME_ARGS(bank).
#pragma once

#include <cstdint>

constexpr char bank_channel(uint32_t bank) {
    return static_cast<char>('A' + bank % 4);
}

constexpr unsigned bank_chip_enable(uint32_t bank) {
    return bank / 4;
}

#define BANK_NAME_ARGS(bank) static_cast<unsigned>(bank), bank_channel(bank), bank_chip_enable(bank)

// Headings of the bad-block lists.
#define BANK_HEADING_NAME "bank %u(%c%u)"
// Station log lines.
#define BANK_LOG_NAME "Bank %02u(%c%u)"
// Console lines of the module test and the blank check.
#define BANK_CONSOLE_NAME "bank %02u(%c%u)"
// The line naming the bank after a message that ends without a line break.
#define BANK_AFTER_MESSAGE_LINE "bank %u=%c%u\t\n"
// Rows of the flash timing report.
#define BANK_TIMING_ROW_NAME "%02u(%c%u)"
