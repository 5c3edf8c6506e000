// NAND as the firmware reads it at start-up: a page counts only when both of
// its chip pages were programmed, in the ECC form the firmware reads it with,
// and the program did not fail. Reads here fire no fault.
#include <cstdarg>
#include <cstdio>

#include "model/boot_check.h"

namespace sim {

namespace {

const char* form_name(uint32_t form) {
    if (form & PAGE_RAW) {
        return "raw encoded";
    }
    return form & PAGE_BIG_ECC ? "Big ECC" : "normal ECC";
}

bool chip_page_usable(const Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page,
                      uint32_t form, std::string* why) {
    const uint32_t entry = chip_page_entry(drive, bank, chip, block, page);
    const char* chip_name = chip == LOW ? "low" : "high";
    if (!(entry & PAGE_PROGRAMMED)) {
        return refuse(why, "bank %u %s chip block %u page %u is erased", bank, chip_name, block, page);
    }
    if (entry & PAGE_FAILED) {
        return refuse(why, "bank %u %s chip block %u page %u failed its program", bank, chip_name, block,
                      page);
    }
    const uint32_t stored = entry & (PAGE_RAW | PAGE_BIG_ECC);
    if (stored != form) {
        return refuse(why, "bank %u %s chip block %u page %u is %s, not %s", bank, chip_name, block, page,
                      form_name(stored), form_name(form));
    }
    return true;
}

}  // namespace

bool refuse(std::string* why, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *why = text;
    return false;
}

bool read_page(const Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
               uint32_t form, uint8_t* out, std::string* why) {
    if (block_low >= BLOCKS_PER_CHIP || block_high >= BLOCKS_PER_CHIP || page >= pages_per_block(drive)) {
        return refuse(why, "bank %u blocks %u/%u page %u lie outside the chips", bank, block_low, block_high,
                      page);
    }
    const uint32_t blocks[2] = {block_low, block_high};
    uint8_t halves[2][CHIP_PAGE_BYTES];
    for (uint32_t chip = 0; chip < 2; ++chip) {
        if (!chip_page_usable(drive, bank, chip, blocks[chip], page, form, why)) {
            return false;
        }
        chip_page_bytes(drive, chip_page_entry(drive, bank, chip, blocks[chip], page), halves[chip]);
    }
    for (uint32_t i = 0; i < CHIP_PAGE_BYTES; ++i) {
        out[2 * i] = halves[LOW][i];
        out[2 * i + 1] = halves[HIGH][i];
    }
    return true;
}

bool read_pair_page(const Drive& drive, uint32_t bank, uint32_t pair, uint32_t page, uint8_t* out,
                    std::string* why) {
    for (uint32_t half = 0; half < 2; ++half) {
        const uint32_t block = 2 * pair + half;
        if (!read_page(drive, bank, block, block, page, NORMAL_FORM, out + half * BANK_PAGE_BYTES, why)) {
            return false;
        }
    }
    return true;
}

}  // namespace sim
