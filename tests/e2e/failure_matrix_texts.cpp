#include "failure_matrix_texts.h"

#include <cstdio>

#include "complete_run_checks.h"

namespace e2e_matrix {

namespace {

constexpr uint32_t REFERENCE_BANK_BMP = 0x0F0F;
constexpr uint32_t LAST_REWORKED_BLOCK = 8190;

std::string bank_console_name(uint32_t bank) {
    char name[32];
    std::snprintf(name, sizeof name, "bank %02u(%c%u)", bank, 'A' + bank % 4, bank / 4);
    return name;
}

std::string list_heading(const char* format, uint32_t bank, const char* chip) {
    char line[64];
    std::snprintf(line, sizeof line, format, bank, 'A' + bank % 4, bank / 4, chip);
    return line;
}

}  // namespace

std::string first_stages_passed() {
    return SATA_TEST_PASSED + std::string("initialize flash\n") +
           e2e_run::id_lines(REFERENCE_BANK_BMP, REFERENCE_IDS, false);
}

std::string blank_check(uint32_t bank, const std::string& verdict) {
    std::string lines;
    for (const uint32_t b : REFERENCE_BANKS) {
        lines += bank_console_name(b) + ".." + (b == bank ? verdict : "blank\n");
    }
    return lines;
}

std::string scan_line(uint32_t bank, uint32_t low, uint32_t high) {
    char text[96];
    std::snprintf(text, sizeof text, "%u bad blocks = %.2f%% in  low ", low, low / 81.92);
    std::string lines = text + e2e_run::bank_line(bank);
    std::snprintf(text, sizeof text, "%u bad blocks = %.2f%% in high ", high, high / 81.92);
    return lines + text + e2e_run::bank_line(bank);
}

std::string scan_lines(uint32_t first, uint32_t last) {
    std::string lines;
    for (const uint32_t bank : REFERENCE_BANKS) {
        if (bank >= first && bank <= last) {
            lines += scan_line(bank, 0, 0);
        }
    }
    return lines;
}

std::string scan_report(uint32_t skipped) {
    std::string report = "scanning initial bad blocks\n";
    for (const uint32_t bank : REFERENCE_BANKS) {
        if (bank != skipped) {
            report += scan_line(bank, 0, 0);
        }
    }
    return report;
}

std::string new_drive_flash_test() {
    return blank_check() + scan_report();
}

std::string rework(uint32_t bank, bool found, uint32_t failing_block, const std::string& failure) {
    std::string text = "WARNING: The NAND Flash is not clean (being reworked) !!!\n";
    if (found) {
        text += "scan list found on " + e2e_run::bank_line(bank);
    }
    char line[64];
    for (uint32_t block = 1; block <= LAST_REWORKED_BLOCK; ++block) {
        std::snprintf(line, sizeof line, "erasing NAND Flash for rework...%u\r", block);
        text += line;
        if (block == failing_block) {
            text += failure;
        }
    }
    return text + "erasing NAND Flash for rework...done\t\n";
}

std::string empty_operator_lists() {
    std::string lists = "\nlist of initial bad blocks :\n";
    for (const uint32_t bank : REFERENCE_BANKS) {
        lists += list_heading("\nbank %u(%c%u) %s: 0 of 8192 (0.00%%)\n", bank, "L") +
                 list_heading("\nbank %u(%c%u) %s: 0 of 8192 (0.00%%)\n", bank, "H");
    }
    lists += "\n\nlist of runtime bad blocks :\n";
    for (const uint32_t bank : REFERENCE_BANKS) {
        lists += list_heading("bank %u(%c%u) %s: 0 of 8192 (0.00%%) - \n", bank, "L") +
                 list_heading("bank %u(%c%u) %s: 0 of 8192 (0.00%%) - \n", bank, "H");
    }
    return lists;
}

std::string no_response(const std::string& caller, bool read, uint32_t write_sectors) {
    std::string text =
        std::string(read ? "\n" : "") + "ERROR: no response from drive\t\t\ncaller = src/" + caller + " N\n";
    if (write_sectors != 0) {
        text += "sect_cnt = " + std::to_string(write_sectors) + "\n";
    }
    return text;
}

}  // namespace e2e_matrix
