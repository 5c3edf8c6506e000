// Build 5: K9HCG08U1M.
#pragma once

#include "build_parameters.h"

inline constexpr BuildParameters BUILD_5_PARAMETERS{
    .nand_part = "K9HCG08U1M",
    .maker_id = 0xEC,
    .spec_id = 0x78B655D7,
    .bank_bmp = 0xFFFFFFFF,
    .pages_per_block = 128,
    .ctrl_config = 0xC1C00501,
    .ctrl_config_big = 0xC1C02501,
    .flash_if_word = 0x3010,
    .max_bad_blocks = 235,
    .ftl_units = 15628694,
    .single_chip_lists = false,
    .master_copies = 1,
    .test_program_length = 4620,
    .bootloader_length = 484,
    .firmware_length = 49168,
    .overlay_length = 10460,
    .stamp_build_options = 0x03D1CAFB,
    .stamp_flash_type = 8,
    .stamp_customer_type = 9,
    .stamp_pcb_type = 13,
    .stamp_build_number = 0,
    .firmware_family = FirmwareFamily::A,
    .fw_build_date = "2/3/2010 4:58:02 PM",
};
