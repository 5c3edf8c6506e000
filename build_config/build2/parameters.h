// Build 2: JS29F64G08FAM.
#pragma once

#include "build_parameters.h"

inline constexpr BuildParameters BUILD_2_PARAMETERS{
    .nand_part = "JS29F64G08FAM",
    .maker_id = 0x89,
    .spec_id = 0x783ED5D7,
    .bank_bmp = 0x00000F0F,
    .pages_per_block = 128,
    .ctrl_config = 0xC1C01501,
    .ctrl_config_big = 0xC1C02501,
    .flash_if_word = 0x11,
    .max_bad_blocks = 234,
    .ftl_units = 3907670,
    .single_chip_lists = true,
    .master_copies = 2,
    .test_program_length = 4660,
    .bootloader_length = 484,
    .firmware_length = 51020,
    .overlay_length = 10780,
    .stamp_build_options = 0x0BD1CAFB,
    .stamp_flash_type = 34,
    .stamp_customer_type = 15,
    .stamp_pcb_type = 15,
    .stamp_build_number = 1916,
    .firmware_family = FirmwareFamily::B,
    .fw_build_date = "12/4/2009 10:05:33 AM",
};
