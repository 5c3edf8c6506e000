// What the tool has room for, held against this build's images when it is
// compiled: a release whose image outgrows its place fails to build.
#include "run_state/work_block.h"
#include "images/image_pages.h"

// The test program travels as a payload of 10 sectors.
static_assert(BUILD.test_program_length <= 10 * SECTOR_BYTES);
// The bootloader takes page 5 alone: page 6 belongs to the calibration pattern.
static_assert(BUILD.bootloader_length <= IMAGE_PAGE_BYTES);
static_assert(BUILD.bootloader_length <= BOOTLOADER_STAGING_BYTES);
// Firmware and overlay fit their staging areas as encoded page slots, and the
// overlay's last page lies within block zero.
static_assert(image_page_count(BUILD.firmware_length) * ENCODED_PAGE_SLOT_BYTES <= IMAGE_STAGING_BYTES);
static_assert(image_page_count(BUILD.overlay_length) * ENCODED_PAGE_SLOT_BYTES <= IMAGE_STAGING_BYTES);
static_assert(overlay_first_page(BUILD.firmware_length) + image_page_count(BUILD.overlay_length) <=
              BUILD_PAGES_PER_BLOCK);
