#include "images/prepare_images.h"

#include <cstring>

#include "run_state/work_block.h"
#include "images/embedded_images.h"
#include "images/encode_image.h"
#include "images/scramble_seeds.h"
#include "images/stamp.h"
#include "little_endian.h"

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
    // Every image fits its area: image_limits.cpp holds them to it.
    std::memcpy(work->bootloader_staging, bootloader_image, bootloader_image_length);
    encode_image(firmware_image, firmware_image_length, work->firmware_staging);
    encode_image(overlay_image, overlay_image_length, work->overlay_staging);
    store_le32(work->stamp + STAMP_RESERVED_OFFSET, 0);
}
