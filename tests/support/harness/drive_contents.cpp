#include "drive_contents.h"

#include <algorithm>

#include "little_endian.h"
#include "reference_page_codec.h"

namespace e2e {

namespace {

constexpr uint32_t ENCODED_SECTOR_BYTES = 540;
constexpr uint32_t SECTORS_PER_ENCODED_PAGE = 4;
constexpr uint32_t INITIAL_ENTRIES_AT = 2;
constexpr uint32_t RUNTIME_COUNT_AT = 12;
constexpr uint32_t RUNTIME_ENTRIES_AT = 16;

void chip_half(const sim::Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page,
               uint8_t* out) {
    sim::chip_page_bytes(drive, sim::chip_page_entry(drive, bank, chip, block, page), out);
}

}  // namespace

std::vector<uint32_t> populated_banks(const sim::Drive& drive) {
    std::vector<uint32_t> banks;
    for (uint32_t bank = 0; bank < sim::BANK_POSITIONS; ++bank) {
        if (drive.banks[bank].present) {
            banks.push_back(bank);
        }
    }
    return banks;
}

std::vector<uint8_t> bank_page(const sim::Drive& drive, uint32_t bank, uint32_t block_low,
                               uint32_t block_high, uint32_t page) {
    uint8_t halves[2][sim::CHIP_PAGE_BYTES];
    chip_half(drive, bank, sim::LOW, block_low, page, halves[sim::LOW]);
    chip_half(drive, bank, sim::HIGH, block_high, page, halves[sim::HIGH]);
    std::vector<uint8_t> out(sim::BANK_PAGE_BYTES);
    for (uint32_t i = 0; i < sim::CHIP_PAGE_BYTES; ++i) {
        out[2 * i] = halves[sim::LOW][i];
        out[2 * i + 1] = halves[sim::HIGH][i];
    }
    return out;
}

std::vector<uint8_t> block_zero_page(const sim::Drive& drive, uint32_t bank, uint32_t page) {
    return bank_page(drive, bank, 0, 0, page);
}

std::vector<uint8_t> pair_page(const sim::Drive& drive, uint32_t bank, uint32_t pair, uint32_t page) {
    std::vector<uint8_t> out = bank_page(drive, bank, 2 * pair, 2 * pair, page);
    const std::vector<uint8_t> second = bank_page(drive, bank, 2 * pair + 1, 2 * pair + 1, page);
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

bool page_programmed(const sim::Drive& drive, uint32_t bank, uint32_t block, uint32_t page, bool big_ecc) {
    for (uint32_t chip = 0; chip < 2; ++chip) {
        const uint32_t entry = sim::chip_page_entry(drive, bank, chip, block, page);
        if (!(entry & sim::PAGE_PROGRAMMED) || (entry & sim::PAGE_FAILED) ||
            ((entry & sim::PAGE_BIG_ECC) != 0) != big_ecc) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> decoded_block_zero_page(const sim::Drive& drive, uint32_t bank, uint32_t page,
                                             const uint16_t* seeds) {
    const std::vector<uint8_t> raw = block_zero_page(drive, bank, page);
    std::vector<uint8_t> data(SECTORS_PER_ENCODED_PAGE * sim::SECTOR);
    for (uint32_t k = 0; k < SECTORS_PER_ENCODED_PAGE; ++k) {
        const uint8_t* sector = raw.data() + ENCODED_SECTOR_BYTES * k;
        if (!sim::encoded_sector_valid(sector)) {
            return {};
        }
        uint16_t scrambled[256];
        uint16_t words[256];
        for (uint32_t w = 0; w < 256; ++w) {
            scrambled[w] = load_le16(sector + 2 * w);
        }
        // The mask is an exclusive or: scrambling again gives the data back.
        reference::scramble_sector(scrambled, seeds[k], words);
        for (uint32_t w = 0; w < 256; ++w) {
            store_le16(data.data() + sim::SECTOR * k + 2 * w, words[w]);
        }
    }
    return data;
}

std::vector<uint16_t> initial_entries(const std::vector<uint8_t>& page) {
    const uint32_t room = (sim::BANK_PAGE_BYTES - INITIAL_ENTRIES_AT) / 2;
    const uint32_t count = std::min<uint32_t>(load_le16(page.data()), room);
    std::vector<uint16_t> entries;
    for (uint32_t i = 0; i < count; ++i) {
        entries.push_back(load_le16(page.data() + INITIAL_ENTRIES_AT + 2 * i));
    }
    return entries;
}

std::vector<uint32_t> runtime_entries(const std::vector<uint8_t>& page) {
    const uint32_t room = (sim::BANK_PAGE_BYTES - RUNTIME_ENTRIES_AT) / 4;
    const uint32_t count = std::min(load_le32(page.data() + RUNTIME_COUNT_AT), room);
    std::vector<uint32_t> entries;
    for (uint32_t i = 0; i < count; ++i) {
        entries.push_back(load_le32(page.data() + RUNTIME_ENTRIES_AT + 4 * i));
    }
    return entries;
}

bool store_block_zero_page(sim::Drive& drive, uint32_t bank, uint32_t page, const std::vector<uint8_t>& bytes,
                           bool big_ecc) {
    const uint32_t form = big_ecc ? sim::PAGE_BIG_ECC : 0;
    return sim::program_bank_page(drive, bank, 0, 0, page, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                  form) == 0;
}

}  // namespace e2e
