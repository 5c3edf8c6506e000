// Field use of a produced drive. Blocks grow bad: each gets a bad-block
// record on the next free block-zero page (page 10 or later, after the
// firmware) and fails every erase from now on; user data is written to some
// blocks, so that the drive comes back as a rework.
#include "model/field_use.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t FIRST_RECORD_PAGE = 10;
constexpr uint32_t SINGLE_BLOCK = 1;
constexpr uint32_t USER_BLOCKS = 8;

uint64_t next_random(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

bool write_record(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t type,
                  std::string* log) {
    const BankPosition& position = drive.banks[bank];
    uint32_t page = FIRST_RECORD_PAGE;
    for (const NandChip& c : position.chips) {
        page = std::max<uint32_t>(page, c.blocks[0].next_page);
    }
    if (page >= pages_per_block(drive)) {
        char text[64];
        std::snprintf(text, sizeof text, "block zero of bank %u is full\n", bank);
        *log += text;
        return false;
    }
    uint8_t record[20];
    store_le32(record, BB_RECORD_MAGIC_0);
    store_le32(record + 4, BB_RECORD_MAGIC_1);
    store_le32(record + 8, SINGLE_BLOCK);
    store_le32(record + 12, 0);
    store_le32(record + 16, block | ((1u << chip) << 16) | (type << 24));
    program_bank_page(drive, bank, 0, 0, page, record, sizeof record, 0);
    drive.faults.push_back(Fault{.kind = FaultKind::erase_fail,
                                 .bank = static_cast<int32_t>(bank),
                                 .chip = static_cast<int32_t>(chip),
                                 .block = static_cast<int32_t>(block)});
    char text[128];
    std::snprintf(text, sizeof text,
                  "bank %u %s chip block %u grew bad (type %u), record on block-zero page %u\n", bank,
                  chip == LOW ? "low" : "high", block, type, page);
    *log += text;
    return true;
}

void write_user_data(Drive& drive, uint32_t bank, uint32_t block, uint64_t& state) {
    uint8_t data[BANK_PAGE_BYTES];
    for (uint8_t& byte : data) {
        byte = static_cast<uint8_t>(next_random(state));
    }
    const Block& low = drive.banks[bank].chips[LOW].blocks[block];
    const Block& high = drive.banks[bank].chips[HIGH].blocks[block];
    if (!low.factory_bad && !high.factory_bad && low.next_page == 0 && high.next_page == 0) {
        program_bank_page(drive, bank, block, block, 0, data, sizeof data, 0);
    }
}

}  // namespace

bool age_in_field(Drive& drive, uint32_t grown_bad_blocks, uint64_t seed, std::string* log) {
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    std::vector<uint32_t> banks;
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        if (drive.banks[b].present) {
            banks.push_back(b);
        }
    }
    for (uint32_t i = 0; i < grown_bad_blocks && !banks.empty(); ++i) {
        const uint32_t bank = banks[next_random(state) % banks.size()];
        const uint32_t chip = (next_random(state) >> 32) & 1;
        const uint32_t block = 1 + next_random(state) % (BLOCKS_PER_CHIP - 2);
        const uint32_t type = 1 + next_random(state) % 3;
        if (!write_record(drive, bank, chip, block, type, log)) {
            return false;
        }
    }
    for (uint32_t i = 0; i < USER_BLOCKS && !banks.empty(); ++i) {
        write_user_data(drive, banks[next_random(state) % banks.size()],
                        1 + next_random(state) % (BLOCKS_PER_CHIP - 2), state);
    }
    return true;
}

}  // namespace sim
