#include "model/drive.h"

#include <algorithm>
#include <cstring>

#include "all_builds.h"

namespace sim {

std::unique_ptr<Drive> make_drive(uint32_t build) {
    auto drive = std::make_unique<Drive>();
    const BuildParameters& parameters = *ALL_BUILDS[build - 1];
    drive->config.build = build;
    drive->config.pages_per_block = parameters.pages_per_block;
    drive->config.ctrl_config = parameters.ctrl_config;
    drive->config.ctrl_config_big = parameters.ctrl_config_big;
    drive->config.flash_if_word = parameters.flash_if_word;
    drive->config.test_program_length = parameters.test_program_length;
    uint8_t id[ID_BYTES] = {parameters.maker_id};
    for (uint32_t j = 0; j < 4; ++j) {
        id[1 + j] = static_cast<uint8_t>(parameters.spec_id >> (8 * j));
    }
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        BankPosition& bank = drive->banks[b];
        bank.present = (parameters.bank_bmp >> b) & 1;
        for (NandChip& chip : bank.chips) {
            std::memcpy(chip.id, id, ID_BYTES);
            if (bank.present) {
                chip.blocks.resize(BLOCKS_PER_CHIP);
            }
        }
    }
    intern_contents(drive->contents, nullptr, 0);  // content 0: nothing programmed
    power_on(*drive);
    return drive;
}

void power_on(Drive& drive) {
    PowerState& power = drive.power;
    power.sdram.reset(static_cast<uint8_t*>(std::calloc(SDRAM_SPAN, 1)));
    power.mode = DriveMode::locked;
    power.controller_reset = false;
    power.big_ecc = false;
    std::memset(power.bank_reset, 0, sizeof power.bank_reset);
    std::memset(power.status, 0, sizeof power.status);
    std::memset(power.page_buffer, 0xFF, sizeof power.page_buffer);
    power.raw.open = false;
    power.queue.clear();
    power.blank_checks.clear();
    power.scan_pending = false;
    power.scan_result.clear();
    power.program = TestProgramRun{};
    power.run_counted = false;
    std::fill_n(power.batch_busy_us, BANK_POSITIONS, 0);
}

void record_violation(Drive& drive, const std::string& what) {
    ++drive.violation_count;
    if (drive.violations.size() < VIOLATIONS_KEPT) {
        drive.violations.push_back({drive.counters.commands, what});
    }
}

uint32_t pages_per_block(const Drive& drive) {
    return drive.config.pages_per_block;
}

}  // namespace sim
