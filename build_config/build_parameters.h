// The parameter set of one build of prodtool: everything that differs
// between the drive configurations the tool is built for.
#pragma once

#include <cstdint>

// Builds of one firmware family share the provenance texts of their firmware
// release (firmware_families.h); the build date is each build's own.
enum class FirmwareFamily { A, B };

struct BuildParameters {
    const char* nand_part;
    uint8_t maker_id;
    uint32_t spec_id;  // ID bytes 1 to 4, little-endian
    uint32_t bank_bmp;
    uint32_t pages_per_block;
    uint32_t ctrl_config;      // flash controller word, normal ECC
    uint32_t ctrl_config_big;  // flash controller word, Big ECC
    uint32_t flash_if_word;
    uint32_t max_bad_blocks;
    uint32_t ftl_units;
    bool single_chip_lists;
    uint32_t master_copies;
    uint32_t test_program_length;
    uint32_t bootloader_length;
    uint32_t firmware_length;
    uint32_t overlay_length;
    uint32_t stamp_build_options;
    uint32_t stamp_flash_type;
    uint32_t stamp_customer_type;
    uint32_t stamp_pcb_type;
    uint32_t stamp_build_number;
    FirmwareFamily firmware_family;
    // When the firmware images were built, in the stamp's date form
    // ("M/D/YYYY h:mm:ss AM").
    const char* fw_build_date;
};
