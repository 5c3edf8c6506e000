// Build 3: K9WBG08U1M.
#pragma once

#include "build_parameters.h"

inline constexpr BuildParameters BUILD_3_PARAMETERS{
    .nand_part = "K9WBG08U1M",
    .maker_id = 0xEC,
    .spec_id = 0x68A651D5,
    .bank_bmp = 0x0F0F0F0F,
    .pages_per_block = 64,
    .ctrl_config = 0xC1C00100,
    .ctrl_config_big = 0xC1C02101,
    .flash_if_word = 0x2010,
    .max_bad_blocks = 204,
    .ftl_units = 3907670,
    .single_chip_lists = true,
    .master_copies = 2,
    .test_program_length = 4668,
    .bootloader_length = 488,
    .firmware_length = 50848,
    .overlay_length = 10776,
    .stamp_build_options = 0x0BD1CAFB,
    .stamp_flash_type = 3,
    .stamp_customer_type = 15,
    .stamp_pcb_type = 15,
    .stamp_build_number = 1916,
    .firmware_family = FirmwareFamily::B,
    .fw_build_date = "12/4/2009 10:31:08 AM",
};
