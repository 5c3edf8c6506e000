// Where the firmware images go in block zero: the stamp on page 4, the
// bootloader from page 5, then the firmware from page 9 and the overlay from
// the page after the firmware's last, each image as whole 2048-byte pages.
#pragma once

#include <cstdint>

#include "block_zero.h"

// Bytes of an image that go into one page.
inline constexpr uint32_t IMAGE_PAGE_BYTES = 2048;
// Room for one host-encoded page in a staging area: the encoded page, then
// 0xFF up to the slot's end.
inline constexpr uint32_t ENCODED_PAGE_SLOT_BYTES = 2560;

// Pages an image of this length takes; a partial last page counts whole.
constexpr uint32_t image_page_count(uint32_t length) {
    return length / IMAGE_PAGE_BYTES + (length % IMAGE_PAGE_BYTES != 0 ? 1 : 0);
}

constexpr uint32_t overlay_first_page(uint32_t firmware_length) {
    return FIRMWARE_FIRST_PAGE + image_page_count(firmware_length);
}
