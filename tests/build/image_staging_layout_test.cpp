// The staging areas as this build prepares them for block zero: which image
// lies where, how many page slots it takes, and the 0xFF around it. How one
// image is cut and encoded into slots is the page-encoding test's matter.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "images/embedded_images.h"
#include "images/encode_image.h"
#include "images/prepare_images.h"
#include "support/work_block_fixture.h"

namespace {

constexpr uint32_t SLOT_BYTES = 2560;
constexpr uint32_t ENCODED_BYTES = 2160;
constexpr uint32_t STAGING_BYTES = 0x18000;
// Every build's firmware takes 25 pages and its overlay 6.
constexpr uint32_t FIRMWARE_PAGES = 25;
constexpr uint32_t OVERLAY_PAGES = 6;

void expect_all_ff(const uint8_t* bytes, size_t from, size_t to, const char* where) {
    for (size_t i = from; i < to; ++i) {
        ASSERT_EQ(bytes[i], 0xFF) << where << " byte " << i;
    }
}

void expect_encoded(const uint8_t* image, uint32_t length, const uint8_t* staging, uint32_t pages,
                    const char* where) {
    std::vector<uint8_t> expected(STAGING_BYTES, 0xFF);
    encode_image(image, length, expected.data());
    for (uint32_t page = 0; page < pages; ++page) {
        const uint8_t* slot = staging + SLOT_BYTES * page;
        ASSERT_EQ(std::memcmp(slot, &expected[SLOT_BYTES * page], ENCODED_BYTES), 0)
            << where << " page " << page;
        expect_all_ff(slot, ENCODED_BYTES, SLOT_BYTES, where);
    }
    expect_all_ff(staging, SLOT_BYTES * pages, STAGING_BYTES, where);
}

using ImageStaging = WorkBlockTest;

TEST_F(ImageStaging, AreasHoldTheirImagesThenFF) {
    std::memset(work->bootloader_staging, 0x5A, sizeof work->bootloader_staging);
    std::memset(work->firmware_staging, 0x5A, sizeof work->firmware_staging);
    std::memset(work->overlay_staging, 0x5A, sizeof work->overlay_staging);
    prepare_images();

    ASSERT_EQ(std::memcmp(work->bootloader_staging, bootloader_image, bootloader_image_length), 0);
    expect_all_ff(work->bootloader_staging, bootloader_image_length, 4096, "bootloader");
    expect_encoded(firmware_image, firmware_image_length, work->firmware_staging, FIRMWARE_PAGES, "firmware");
    expect_encoded(overlay_image, overlay_image_length, work->overlay_staging, OVERLAY_PAGES, "overlay");
}

}  // namespace
