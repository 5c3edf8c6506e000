#include "drive_comparison.h"

#include <cstring>
#include <sstream>

#include "little_endian.h"

namespace wine_e2e {

namespace {

constexpr uint32_t STAMP_PAGE = 4;
constexpr uint32_t STAMP_MAGIC = 0xC0C2E003;
constexpr size_t STATION_DIR_OFFSET = 892;
constexpr size_t STATION_DIR_BYTES = 512;

struct Differences {
    std::ostringstream text;

    template <typename Value>
    void compare(const std::string& what, const Value& linux_value, const Value& windows_value) {
        if (linux_value != windows_value) {
            text << what << ": Linux " << linux_value << ", Windows " << windows_value << "\n";
        }
    }
};

void compare_counters(Differences& d, const sim::Counters& a, const sim::Counters& b) {
    d.compare("power-ons", a.power_ons, b.power_ons);
    d.compare("commands", a.commands, b.commands);
    d.compare("sectors written", a.sectors_written, b.sectors_written);
    d.compare("sectors read", a.sectors_read, b.sectors_read);
    d.compare("flash operations", a.flash_ops, b.flash_ops);
    d.compare("programs", a.programs, b.programs);
    d.compare("reads", a.reads, b.reads);
    d.compare("erases", a.erases, b.erases);
    d.compare("syncs", a.syncs, b.syncs);
    d.compare("device resets", a.device_resets, b.device_resets);
}

std::string chip_page(const sim::Drive& drive, uint32_t entry) {
    if ((entry & sim::PAGE_PROGRAMMED) == 0) {
        return {};
    }
    std::string bytes(sim::CHIP_PAGE_BYTES, '\0');
    sim::chip_page_bytes(drive, entry, reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}

std::string stamp_page_without_station_dir(const sim::Drive& drive, uint32_t bank) {
    std::string page(sim::BANK_PAGE_BYTES, '\0');
    sim::stored_bank_page(drive, bank, 0, STAMP_PAGE, reinterpret_cast<uint8_t*>(page.data()));
    page.replace(STATION_DIR_OFFSET, STATION_DIR_BYTES, STATION_DIR_BYTES, '\0');
    return page;
}

void compare_chip(Differences& d, const std::string& where, const sim::Drive& a, const sim::Drive& b,
                  uint32_t bank, uint32_t chip) {
    const sim::NandChip& chip_a = a.banks[bank].chips[chip];
    const sim::NandChip& chip_b = b.banks[bank].chips[chip];
    d.compare(where + " blocks in use", chip_a.blocks_in_use, chip_b.blocks_in_use);
    for (uint32_t block = 0; block < chip_a.blocks.size() && block < chip_b.blocks.size(); ++block) {
        const std::string at = where + " block " + std::to_string(block);
        d.compare(at + " next page", chip_a.blocks[block].next_page, chip_b.blocks[block].next_page);
        d.compare(at + " factory bad", chip_a.blocks[block].factory_bad, chip_b.blocks[block].factory_bad);
        for (uint32_t page = 0; page < sim::pages_per_block(a); ++page) {
            if (block == 0 && page == STAMP_PAGE) {
                continue;  // compared as a bank page, without the station directory
            }
            const uint32_t entry_a = sim::chip_page_entry(a, bank, chip, block, page);
            const uint32_t entry_b = sim::chip_page_entry(b, bank, chip, block, page);
            const std::string page_at = at + " page " + std::to_string(page);
            d.compare(page_at + " state", entry_a & ~sim::PAGE_CONTENT, entry_b & ~sim::PAGE_CONTENT);
            if (chip_page(a, entry_a) != chip_page(b, entry_b)) {
                d.text << page_at << ": contents differ\n";
            }
        }
    }
}

}  // namespace

std::string drive_differences(const sim::Drive& a, const sim::Drive& b) {
    Differences d;
    d.compare("factory jumper", a.config.factory_jumper, b.config.factory_jumper);
    compare_counters(d, a.counters, b.counters);
    d.compare("program runs", a.program.runs, b.program.runs);
    d.compare("program length", a.program.length, b.program.length);
    d.compare("program digest", a.program.digest, b.program.digest);
    d.compare("violations", a.violation_count, b.violation_count);
    d.compare("faults", a.faults.size(), b.faults.size());
    for (size_t i = 0; i < a.faults.size() && i < b.faults.size(); ++i) {
        d.compare("fault " + std::to_string(i) + " fired", a.faults[i].fired, b.faults[i].fired);
    }
    for (uint32_t bank = 0; bank < sim::BANK_POSITIONS; ++bank) {
        const std::string where = "bank " + std::to_string(bank);
        d.compare(where + " present", a.banks[bank].present, b.banks[bank].present);
        if (!a.banks[bank].present || !b.banks[bank].present) {
            continue;
        }
        if (stamp_page_without_station_dir(a, bank) != stamp_page_without_station_dir(b, bank)) {
            d.text << where << " stamp page: contents differ\n";
        }
        compare_chip(d, where + " low", a, b, bank, sim::LOW);
        compare_chip(d, where + " high", a, b, bank, sim::HIGH);
    }
    return d.text.str();
}

std::string stamp_station_dir(const sim::Drive& drive) {
    for (uint32_t bank = 0; bank < sim::BANK_POSITIONS; ++bank) {
        if (drive.banks[bank].present) {
            uint8_t page[sim::BANK_PAGE_BYTES];
            sim::stored_bank_page(drive, bank, 0, STAMP_PAGE, page);
            if (load_le32(page) != STAMP_MAGIC) {
                return {};
            }
            const char* text = reinterpret_cast<const char*>(page + STATION_DIR_OFFSET);
            return std::string(text, strnlen(text, STATION_DIR_BYTES));
        }
    }
    return {};
}

}  // namespace wine_e2e
