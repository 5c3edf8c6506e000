// The drive's initial bad-block scan (CMD_SCAN_INITIAL_BAD). It reads the
// factory bad-block marks of every populated bank in the map and, once the
// scan's time has passed, leaves 200 sectors at the data window: the entry
// count, one unused word, the entries (bit 31 high chip, bit 30 low chip,
// bits 24-29 bank, bits 0-23 block) and the terminator 0xFFFFFFFF.
#include <algorithm>
#include <cstring>

#include "little_endian.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t RESULT_BYTES = 200 * SECTOR;
constexpr uint32_t RESULT_WORDS = RESULT_BYTES / 4;
constexpr uint32_t MAX_ENTRIES = RESULT_WORDS - 3;
constexpr uint32_t HIGH_BIT = 1u << 31;
constexpr uint32_t LOW_BIT = 1u << 30;
constexpr uint32_t TERMINATOR = 0xFFFFFFFF;

uint32_t entry(uint32_t chip_bits, uint32_t bank, uint32_t block) {
    return chip_bits | (bank << 24) | block;
}

void bank_entries(Drive& drive, uint32_t bank, std::vector<uint32_t>& entries) {
    const BankPosition& position = drive.banks[bank];
    for (uint32_t block = 0; block < BLOCKS_PER_CHIP; ++block) {
        const uint32_t bits = (position.chips[HIGH].blocks[block].factory_bad ? HIGH_BIT : 0) |
                              (position.chips[LOW].blocks[block].factory_bad ? LOW_BIT : 0);
        if (bits) {
            entries.push_back(entry(bits, bank, block));
        }
    }
    const FaultSite site{.bank = static_cast<int32_t>(bank)};
    if (const Fault* extra = fault_fires(drive, FaultKind::scan_extra_bad, site)) {
        for (uint32_t block = 1; block <= extra->value; ++block) {
            entries.push_back(entry(LOW_BIT, bank, block));
        }
    }
    if (const Fault* bare = fault_fires(drive, FaultKind::scan_no_chip_bits, site)) {
        entries.push_back(entry(0, bank, static_cast<uint32_t>(std::max(bare->block, 0))));
    }
}

}  // namespace

void start_initial_bad_block_scan(Drive& drive, uint32_t bank_map) {
    std::vector<uint32_t> entries;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if ((bank_map >> bank) & 1 && drive.banks[bank].present) {
            bank_entries(drive, bank, entries);
        }
    }
    if (const Fault* stray = fault_fires(drive, FaultKind::scan_unexpected_bank, {})) {
        entries.push_back(entry(LOW_BIT, static_cast<uint32_t>(std::max(stray->bank, 0)) & 0x3F,
                                static_cast<uint32_t>(std::max(stray->block, 0))));
    }
    entries.resize(std::min<size_t>(entries.size(), MAX_ENTRIES));
    std::vector<uint32_t>& result = drive.power.scan_result;
    result.assign(RESULT_WORDS, 0);
    result[0] = static_cast<uint32_t>(entries.size());
    std::copy(entries.begin(), entries.end(), result.begin() + 2);
    result[2 + entries.size()] = fault_fires(drive, FaultKind::scan_no_terminator, {}) ? 0 : TERMINATOR;
    drive.power.scan_pending = true;
    drive.power.scan_due_ms = drive.power.now_ms + SCAN_MS;
}

void settle_scan(Drive& drive) {
    PowerState& power = drive.power;
    if (!power.scan_pending || power.now_ms < power.scan_due_ms) {
        return;
    }
    std::vector<uint8_t> bytes(RESULT_BYTES);
    for (uint32_t n = 0; n < RESULT_WORDS; ++n) {
        store_le32(bytes.data() + 4 * n, power.scan_result[n]);
    }
    sdram_store(drive, DATA_WINDOW, bytes.data(), RESULT_BYTES);
    power.scan_pending = false;
    power.scan_result.clear();
}

}  // namespace sim
