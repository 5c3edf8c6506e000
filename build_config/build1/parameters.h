// Build 1: K9HCG08U1D.
#pragma once

#include "build_parameters.h"

inline constexpr BuildParameters BUILD_1_PARAMETERS{
    .nand_part = "K9HCG08U1D",
    .maker_id = 0xEC,
    .spec_id = 0x3829D5D7,
    .bank_bmp = 0x00000F0F,
    .pages_per_block = 128,
    .ctrl_config = 0xC1C00501,
    .ctrl_config_big = 0xC1C02501,
    .flash_if_word = 0x18,
    .max_bad_blocks = 234,
    .ftl_units = 3907670,
    .single_chip_lists = true,
    .master_copies = 2,
    .test_program_length = 4660,
    .bootloader_length = 484,
    .firmware_length = 51012,
    .overlay_length = 10776,
    .stamp_build_options = 0x0BD1CAFB,
    .stamp_flash_type = 42,
    .stamp_customer_type = 9,
    .stamp_pcb_type = 13,
    .stamp_build_number = 0,
    .firmware_family = FirmwareFamily::A,
    .fw_build_date = "11/20/2009 3:42:17 PM",
};
