// The NAND chips: a page is programmed once after its block's erase, the
// pages of a block in ascending order; a factory-bad block fails erase and
// program. Reads go through the controller's error correction: a page read
// under the other ECC configuration than it was written with, or a raw page
// whose encoded sectors do not check, is uncorrectable.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t ENCODED_SECTOR_BYTES = 540;

const char* chip_name(uint32_t chip) {
    return chip == LOW ? "low" : "high";
}

Block& block_at(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block) {
    return drive.banks[bank].chips[chip].blocks[block];
}

void page_rule_broken(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page,
                      const Block& b) {
    char text[160];
    if (b.pages && b.pages[page] != 0) {
        std::snprintf(text, sizeof text, "bank %u %s chip block %u page %u programmed twice since its erase",
                      bank, chip_name(chip), block, page);
    } else {
        std::snprintf(text, sizeof text,
                      "bank %u %s chip block %u page %u programmed after page %u: pages out of order", bank,
                      chip_name(chip), block, page, b.next_page - 1u);
    }
    record_violation(drive, text);
}

// The bank page of two chip pages: even bytes from the low chip.
void interleave(const uint8_t* low, const uint8_t* high, uint8_t* out) {
    for (uint32_t i = 0; i < CHIP_PAGE_BYTES; ++i) {
        out[2 * i] = low[i];
        out[2 * i + 1] = high[i];
    }
}

bool read_fault(Drive& drive, FaultKind kind, uint32_t bank, const uint32_t* blocks, uint32_t page,
                const Fault** fault) {
    for (uint32_t chip = 0; chip < 2; ++chip) {
        *fault = fault_fires(drive, kind,
                             {.bank = static_cast<int32_t>(bank),
                              .chip = static_cast<int32_t>(chip),
                              .block = static_cast<int32_t>(blocks[chip]),
                              .page = static_cast<int32_t>(page)});
        if (*fault) {
            return true;
        }
    }
    return false;
}

// Replaces the raw bank page by the scrambled data of its encoded sectors,
// sector k at byte 512k. False when a sector does not check.
bool decode_raw_page(uint8_t* page, uint32_t bytes) {
    uint8_t raw[BANK_PAGE_BYTES + ENCODED_SECTOR_BYTES];
    std::memset(raw + BANK_PAGE_BYTES, 0xFF, ENCODED_SECTOR_BYTES);
    std::memcpy(raw, page, BANK_PAGE_BYTES);
    bool valid = true;
    for (uint32_t k = 0; k * SECTOR < bytes; ++k) {
        const uint8_t* sector = raw + k * ENCODED_SECTOR_BYTES;
        valid = encoded_sector_valid(sector) && valid;
        std::memcpy(page + k * SECTOR, sector, SECTOR);
    }
    return valid;
}

}  // namespace

uint32_t chip_page_entry(const Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page) {
    const std::vector<Block>& blocks = drive.banks[bank].chips[chip].blocks;
    if (block >= blocks.size() || !blocks[block].pages) {
        return 0;
    }
    return blocks[block].pages[page];
}

void chip_page_bytes(const Drive& drive, uint32_t entry, uint8_t* out) {
    std::memset(out, 0xFF, CHIP_PAGE_BYTES);
    if ((entry & PAGE_PROGRAMMED) && !(entry & PAGE_FAILED)) {
        const std::string& stored = contents_of(drive.contents, entry & PAGE_CONTENT);
        std::memcpy(out, stored.data(), stored.size());
    }
}

void stored_bank_page(const Drive& drive, uint32_t bank, uint32_t block, uint32_t page, uint8_t* out) {
    uint8_t halves[2][CHIP_PAGE_BYTES];
    for (uint32_t chip = 0; chip < 2; ++chip) {
        chip_page_bytes(drive, chip_page_entry(drive, bank, chip, block, page), halves[chip]);
    }
    interleave(halves[LOW], halves[HIGH], out);
}

bool bank_holds_data(const Drive& drive, uint32_t bank) {
    const BankPosition& position = drive.banks[bank];
    return position.chips[LOW].blocks_in_use + position.chips[HIGH].blocks_in_use > 0;
}

bool program_chip_page(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page,
                       const uint8_t* data, uint32_t bytes, uint32_t form) {
    Block& b = block_at(drive, bank, chip, block);
    if (b.factory_bad) {
        return false;
    }
    if (page < b.next_page) {
        page_rule_broken(drive, bank, chip, block, page, b);
        return false;
    }
    const bool failed = fault_fires(drive, FaultKind::program_fail,
                                    {.bank = static_cast<int32_t>(bank),
                                     .chip = static_cast<int32_t>(chip),
                                     .block = static_cast<int32_t>(block),
                                     .page = static_cast<int32_t>(page)}) != nullptr;
    if (!b.pages) {
        b.pages = std::make_unique<uint32_t[]>(pages_per_block(drive));
        ++drive.banks[bank].chips[chip].blocks_in_use;
    }
    b.pages[page] = failed ? PAGE_PROGRAMMED | PAGE_FAILED
                           : PAGE_PROGRAMMED | form | intern_contents(drive.contents, data, bytes);
    b.next_page = static_cast<uint16_t>(page + 1);
    return !failed;
}

bool erase_chip_block(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block) {
    Block& b = block_at(drive, bank, chip, block);
    if (b.factory_bad || fault_fires(drive, FaultKind::erase_fail,
                                     {.bank = static_cast<int32_t>(bank),
                                      .chip = static_cast<int32_t>(chip),
                                      .block = static_cast<int32_t>(block)})) {
        return false;
    }
    if (b.pages) {
        b.pages.reset();
        --drive.banks[bank].chips[chip].blocks_in_use;
    }
    b.next_page = 0;
    return true;
}

uint8_t program_bank_page(Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
                          const uint8_t* data, uint32_t bytes, uint32_t form) {
    uint8_t halves[2][CHIP_PAGE_BYTES];
    for (uint32_t i = 0; i < bytes; ++i) {
        halves[i & 1][i >> 1] = data[i];
    }
    uint8_t status = 0;
    if (!program_chip_page(drive, bank, LOW, block_low, page, halves[LOW], (bytes + 1) / 2, form)) {
        status |= STATUS_LOW_FAILED;
    }
    if (!program_chip_page(drive, bank, HIGH, block_high, page, halves[HIGH], bytes / 2, form)) {
        status |= STATUS_HIGH_FAILED;
    }
    return status;
}

uint8_t read_bank_page(Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
                       uint8_t* out, uint32_t bytes) {
    const uint32_t blocks[2] = {block_low, block_high};
    uint32_t entries[2];
    for (uint32_t chip = 0; chip < 2; ++chip) {
        entries[chip] = chip_page_entry(drive, bank, chip, blocks[chip], page);
    }
    uint8_t halves[2][CHIP_PAGE_BYTES];
    chip_page_bytes(drive, entries[LOW], halves[LOW]);
    chip_page_bytes(drive, entries[HIGH], halves[HIGH]);
    interleave(halves[LOW], halves[HIGH], out);
    if (entries[LOW] == 0 && entries[HIGH] == 0) {
        return STATUS_ERASED;
    }
    const uint32_t form_bits = PAGE_FAILED | PAGE_RAW | PAGE_BIG_ECC;
    const uint32_t expected_ecc = drive.power.big_ecc ? PAGE_BIG_ECC : 0;
    bool correctable = (entries[LOW] & form_bits) == (entries[HIGH] & form_bits);
    for (const uint32_t entry : entries) {
        correctable = correctable && !(entry & PAGE_FAILED) && (entry & PAGE_BIG_ECC) == expected_ecc;
    }
    if (entries[LOW] & PAGE_RAW) {
        correctable = decode_raw_page(out, std::min(bytes, BANK_PAGE_BYTES)) && correctable;
    }
    const Fault* fault = nullptr;
    if (read_fault(drive, FaultKind::read_uncorrectable, bank, blocks, page, &fault)) {
        correctable = false;
    }
    if (read_fault(drive, FaultKind::read_differs, bank, blocks, page, &fault)) {
        out[fault->value % std::max(bytes, 1u)] ^= 0x01;
    }
    return correctable ? 0 : STATUS_UNCORRECTABLE;
}

}  // namespace sim
