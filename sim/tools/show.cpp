// simdrive show: the drive's configuration, population, factory-bad blocks,
// block-zero contents decoded where their formats are known, counters,
// faults and protocol violations.
#include <cinttypes>
#include <cstdio>

#include "all_builds.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/drive.h"
#include "tools/simdrive.h"

namespace sim {

namespace {

constexpr uint32_t STAMP_SERIAL_OFFSET = 180;
constexpr uint32_t SERIAL_BYTES = 20;

void bank_name(uint32_t bank) {
    std::printf("bank %02u(%c%u)", bank, 'A' + bank % 4, bank / 4);
}

void show_summary(const Drive& drive) {
    const DriveConfig& c = drive.config;
    std::printf("build %u (%s), SDRAM %u MB, jumper %s, %u pages per block\n", c.build,
                ALL_BUILDS[c.build - 1]->nand_part, c.sdram_mb, c.factory_jumper ? "factory" : "normal",
                c.pages_per_block);
    const Counters& n = drive.counters;
    std::printf("power-ons %" PRIu64 ", commands %" PRIu64 ", sectors written %" PRIu64 ", read %" PRIu64
                "\n",
                n.power_ons, n.commands, n.sectors_written, n.sectors_read);
    std::printf("flash operations %" PRIu64 ": programs %" PRIu64 ", reads %" PRIu64 ", erases %" PRIu64
                ", syncs %" PRIu64 ", device resets %" PRIu64 "\n",
                n.flash_ops, n.programs, n.reads, n.erases, n.syncs, n.device_resets);
    if (drive.program.runs > 0) {
        std::printf("test program run %u times, %u bytes, digest %016" PRIX64 "\n", drive.program.runs,
                    drive.program.length, drive.program.digest);
    }
}

void show_population(const Drive& drive) {
    std::printf("\npopulation:\n");
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        const BankPosition& bank = drive.banks[b];
        if (!bank.present) {
            continue;
        }
        bank_name(b);
        for (uint32_t chip = 0; chip < 2; ++chip) {
            const NandChip& c = bank.chips[chip];
            uint32_t bad = 0;
            for (const Block& block : c.blocks) {
                bad += block.factory_bad;
            }
            std::printf(" %s:", chip == LOW ? "low" : "high");
            for (const uint8_t byte : c.id) {
                std::printf(" %02X", byte);
            }
            std::printf(" (%u factory-bad, %u in use)", bad, c.blocks_in_use);
        }
        std::printf("\n");
    }
}

void show_bad_blocks(const Drive& drive) {
    std::printf("\nfactory-bad blocks:\n");
    bool any = false;
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        for (uint32_t chip = 0; chip < 2 && drive.banks[b].present; ++chip) {
            const std::vector<Block>& blocks = drive.banks[b].chips[chip].blocks;
            bool listed = false;
            for (uint32_t block = 0; block < blocks.size(); ++block) {
                if (!blocks[block].factory_bad) {
                    continue;
                }
                if (!listed) {
                    bank_name(b);
                    std::printf(" %s:", chip == LOW ? "L" : "H");
                }
                std::printf(" %u", block);
                listed = any = true;
            }
            if (listed) {
                std::printf("\n");
            }
        }
    }
    if (!any) {
        std::printf("  none\n");
    }
}

const char* form_text(uint32_t entry) {
    if (entry & PAGE_FAILED) {
        return "failed program";
    }
    if (entry & PAGE_RAW) {
        return entry & PAGE_BIG_ECC ? "raw encoded, Big ECC" : "raw encoded, normal ECC";
    }
    return entry & PAGE_BIG_ECC ? "Big ECC" : "normal ECC";
}

void show_runtime_entry(uint32_t packed) {
    std::printf(" %u/m%u/t%u", packed & 0xFFFF, (packed >> 16) & 0xFF, packed >> 24);
}

// Prints what a block-zero page holds when it is a known format; false when not.
bool show_known_page(uint32_t page, const uint8_t* bytes) {
    if (page == 0) {
        const uint32_t count = load_le16(bytes);
        std::printf("scan list, %u entries:", count);
        for (uint32_t i = 0; i < count && i < 4095; ++i) {
            const uint16_t entry = load_le16(bytes + 2 + 2 * i);
            std::printf(" %u%s", entry & 0x7FFF, entry & 0x8000 ? "H" : "L");
        }
        return true;
    }
    if (load_le32(bytes) == RUNTIME_LIST_MAGIC_0 && load_le32(bytes + 4) == RUNTIME_LIST_MAGIC_1) {
        const uint32_t count = load_le32(bytes + 12);
        std::printf("runtime list, %u entries (block/mask/type):", count);
        for (uint32_t i = 0; i < count && i < RUNTIME_LIST_ENTRIES_MAX; ++i) {
            show_runtime_entry(load_le32(bytes + 16 + 4 * i));
        }
        return true;
    }
    if (load_le32(bytes) == STAMP_MAGIC) {
        std::printf("stamp, serial \"%.*s\"", static_cast<int>(SERIAL_BYTES),
                    reinterpret_cast<const char*>(bytes + STAMP_SERIAL_OFFSET));
        return true;
    }
    if (load_le32(bytes) == BB_RECORD_MAGIC_0 && load_le32(bytes + 4) == BB_RECORD_MAGIC_1) {
        std::printf("bad-block record, kind %u, entry", load_le32(bytes + 8));
        show_runtime_entry(load_le32(bytes + 16));
        return true;
    }
    return false;
}

void show_block_zero(const Drive& drive, uint32_t b) {
    bank_name(b);
    const BankPosition& bank = drive.banks[b];
    const bool erased = !bank.chips[LOW].blocks[0].pages && !bank.chips[HIGH].blocks[0].pages;
    std::printf(erased ? ": erased\n" : ":\n");
    for (uint32_t page = 0; !erased && page < pages_per_block(drive); ++page) {
        const uint32_t entry = chip_page_entry(drive, b, LOW, 0, page);
        if (entry == 0 && chip_page_entry(drive, b, HIGH, 0, page) == 0) {
            continue;
        }
        uint8_t bytes[BANK_PAGE_BYTES];
        stored_bank_page(drive, b, 0, page, bytes);
        std::printf("  page %3u %-24s ", page, form_text(entry));
        if (!(entry & PAGE_RAW) && !show_known_page(page, bytes)) {
            uint32_t length = BANK_PAGE_BYTES;
            while (length > 0 && bytes[length - 1] == 0xFF) {
                --length;
            }
            std::printf("%u bytes before the 0xFF tail", length);
        }
        std::printf("\n");
    }
}

void show_faults_and_violations(const Drive& drive) {
    std::printf("\nfaults:%s\n", drive.faults.empty() ? " none" : "");
    for (const Fault& f : drive.faults) {
        std::printf("  %s bank %d chip %d block %d page %d sector %" PRId64 " after %" PRIu64
                    " times %u value %u column %u: fired %u\n",
                    fault_kind_name(f.kind), f.bank, f.chip, f.block, f.page, f.sector, f.after, f.times,
                    f.value, f.column, f.fired);
    }
    std::printf("\nprotocol violations: %" PRIu64 "\n", drive.violation_count);
    for (const Violation& v : drive.violations) {
        std::printf("  command %" PRIu64 ": %s\n", v.command, v.what.c_str());
    }
}

}  // namespace

int show_drive(const std::string& path) {
    std::string error;
    const std::unique_ptr<Drive> drive = load_drive(path, &error);
    if (!drive) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    show_summary(*drive);
    show_last_run(*drive);
    show_population(*drive);
    show_bad_blocks(*drive);
    std::printf("\nblock zero:\n");
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        if (drive->banks[b].present) {
            show_block_zero(*drive, b);
        }
    }
    show_faults_and_violations(*drive);
    return 0;
}

}  // namespace sim
