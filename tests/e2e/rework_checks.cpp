#include "rework_checks.h"

#include "complete_run_checks.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/field_use.h"
#include "model/verdict.h"

namespace e2e_rework {

namespace {

constexpr uint32_t RUNTIME_LIST_PAGE = 3;
constexpr uint64_t AGEING_SEED = 17;

bool runtime_list_names(const sim::Drive& drive, const sim::Fault& grown) {
    uint8_t page[sim::BANK_PAGE_BYTES];
    sim::stored_bank_page(drive, static_cast<uint32_t>(grown.bank), 0, RUNTIME_LIST_PAGE, page);
    if (load_le32(page) != sim::RUNTIME_LIST_MAGIC_0) {
        return false;
    }
    const uint32_t chip_bit = 1u << grown.chip;
    for (uint32_t i = 0; i < load_le32(page + 12) && i < (sim::BANK_PAGE_BYTES - 16) / 4; ++i) {
        const uint32_t entry = load_le32(page + 16 + 4 * i);
        if ((entry & 0xFFFF) == static_cast<uint32_t>(grown.block) && ((entry >> 16) & chip_bit) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string drive_with_factory_bad_blocks(uint32_t build, uint32_t seed) {
    return e2e_run::scenario(
        build, ", \"bad_block_density\": {\"per_mille\": 2, \"seed\": " + std::to_string(seed) + "}");
}

bool produce_and_age(const e2e::Station& station, const std::string& scenario, uint32_t grown_bad_blocks,
                     AgedDrive* aged, std::string* error) {
    if (!e2e::create_drive(station, scenario, error)) {
        return false;
    }
    const e2e::RunResult produced = e2e::run(station, {"1"});
    if (produced.exit_code != 0 || !produced.drive) {
        *error = "the first production failed:\n" + produced.out;
        return false;
    }
    aged->serial = e2e_run::stamp_serial(*produced.drive);
    std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), error);
    if (!drive || !sim::age_in_field(*drive, grown_bad_blocks, AGEING_SEED, &aged->log)) {
        *error += "the drive could not be aged";
        return false;
    }
    return sim::save_drive(*drive, e2e::drive_file(station), error);
}

bool is_grown_bad_block(const sim::Fault& fault) {
    return fault.kind == sim::FaultKind::erase_fail && fault.block > 0;
}

std::string what_was_lost(const sim::Drive& drive, const AgedDrive& aged) {
    std::string lost;
    if (drive.boot_verdict != sim::WOULD_BOOT) {
        lost += "the drive would not boot: " + drive.boot_verdict + "\n";
    }
    if (e2e_run::stamp_serial(drive) != aged.serial) {
        lost += "serial " + e2e_run::stamp_serial(drive) + " in place of " + aged.serial + "\n";
    }
    for (const sim::Fault& fault : drive.faults) {
        if (is_grown_bad_block(fault) && !runtime_list_names(drive, fault)) {
            lost += "grown bad block " + std::to_string(fault.block) + " of bank " +
                    std::to_string(fault.bank) + " chip " + std::to_string(fault.chip) +
                    " is not in the runtime list\n";
        }
    }
    return lost;
}

}  // namespace e2e_rework
