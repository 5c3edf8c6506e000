#include "images/prepare_images.h"

#include <cstring>

#include "host_mass_production/work_block.h"
#include "images/embedded_images.h"
#include "images/encode_image.h"
#include "images/image_pages.h"
#include "images/scramble_seeds.h"
#include "images/stamp.h"
#include "little_endian.h"

// Every image fits its staging area and block zero: the bootloader takes one
// page, for page 6 belongs to the calibration pattern, and the overlay's last
// page lies within the block.
static_assert(BUILD.bootloader_length <= IMAGE_PAGE_BYTES);
static_assert(image_page_count(BUILD.firmware_length) * ENCODED_PAGE_SLOT_BYTES <= IMAGE_STAGING_BYTES);
static_assert(image_page_count(BUILD.overlay_length) * ENCODED_PAGE_SLOT_BYTES <= IMAGE_STAGING_BYTES);
static_assert(overlay_first_page(BUILD.firmware_length) + image_page_count(BUILD.overlay_length) <=
              BUILD_PAGES_PER_BLOCK);

namespace {

void store_scramble_seeds() {
    for (int seed = 0; seed < SCRAMBLE_SEED_COUNT; ++seed) {
        store_le16(work->stamp + STAMP_SCRAMBLE_SEEDS_OFFSET + 2 * seed, scramble_seeds[seed]);
    }
}

}  // namespace

void prepare_images() {
    std::memset(work->bootloader_staging, 0xFF, sizeof work->bootloader_staging);
    std::memset(work->firmware_staging, 0xFF, sizeof work->firmware_staging);
    std::memset(work->overlay_staging, 0xFF, sizeof work->overlay_staging);
    store_scramble_seeds();
    std::memcpy(work->bootloader_staging, bootloader_image, bootloader_image_length);
    encode_image(firmware_image, firmware_image_length, work->firmware_staging);
    encode_image(overlay_image, overlay_image_length, work->overlay_staging);
    store_le32(work->stamp + STAMP_RESERVED_OFFSET, 0);
}
