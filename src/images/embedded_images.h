// The drive images this build carries, exactly the bytes and lengths of its
// firmware release (build_config/build<N>/images/).
#pragma once

#include <cstdint>

extern const uint8_t test_program[];
extern const uint32_t test_program_length;
extern const uint8_t bootloader_image[];
extern const uint32_t bootloader_image_length;
extern const uint8_t firmware_image[];
extern const uint32_t firmware_image_length;
extern const uint8_t overlay_image[];
extern const uint32_t overlay_image_length;
