// Build 4: K9HCG08U1M.
#pragma once

#include "build_parameters.h"

inline constexpr BuildParameters BUILD_4_PARAMETERS{
    .nand_part = "K9HCG08U1M",
    .maker_id = 0xEC,
    .spec_id = 0x78B655D7,
    .bank_bmp = 0x00000F0F,
    .pages_per_block = 128,
    .ctrl_config = 0xC1C00501,
    .ctrl_config_big = 0xC1C02501,
    .flash_if_word = 0x3010,
    .max_bad_blocks = 234,
    .ftl_units = 3907670,
    .single_chip_lists = true,
    .master_copies = 2,
    .test_program_length = 4660,
    .bootloader_length = 484,
    .firmware_length = 51020,
    .overlay_length = 10772,
    .stamp_build_options = 0x0BD1CAFB,
    .stamp_flash_type = 8,
    .stamp_customer_type = 9,
    .stamp_pcb_type = 13,
    .stamp_build_number = 0,
    .firmware_family = FirmwareFamily::A,
    .fw_build_date = "1/15/2010 9:12:45 AM",
};
