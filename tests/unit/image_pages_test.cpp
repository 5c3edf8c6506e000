#include "images/image_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "all_builds.h"
#include "codec/page_codec.h"
#include "images/encode_image.h"
#include "images/scramble_seeds.h"

namespace {

TEST(ImagePages, PartialLastPageCountsWhole) {
    const struct {
        uint32_t length;
        uint32_t pages;
    } cases[] = {
        {0, 0},    {1, 1},     {2047, 1},   {2048, 1},   {2049, 2},   {4096, 2},
        {4097, 3}, {10776, 6}, {51012, 25}, {77824, 38}, {77825, 39}, {0xFFFFFFFF, 0x200000},
    };
    for (const auto& test_case : cases) {
        EXPECT_EQ(image_page_count(test_case.length), test_case.pages) << test_case.length;
    }
}

// Every build's firmware takes pages 9 to 33 of block zero and its overlay
// follows on pages 34 to 39.
TEST(ImagePages, EveryBuildEndsItsOverlayOnPage39) {
    for (int build = 0; build < BUILD_COUNT; ++build) {
        const BuildParameters& parameters = *ALL_BUILDS[build];
        EXPECT_EQ(image_page_count(parameters.firmware_length), 25u) << "build " << build + 1;
        EXPECT_EQ(overlay_first_page(parameters.firmware_length), 34u) << "build " << build + 1;
        EXPECT_EQ(
            overlay_first_page(parameters.firmware_length) + image_page_count(parameters.overlay_length) - 1,
            39u)
            << "build " << build + 1;
    }
}

std::vector<uint8_t> encoded_slots(const std::vector<uint8_t>& image, uint32_t slots) {
    std::vector<uint8_t> staging(slots * ENCODED_PAGE_SLOT_BYTES, 0xA5);
    encode_image(image.data(), static_cast<uint32_t>(image.size()), staging.data());
    return staging;
}

std::vector<uint8_t> encoded_chunk(const uint8_t* chunk) {
    std::vector<uint8_t> encoded(ENCODED_PAGE_BYTES);
    encode_page(chunk, scramble_seeds, encoded.data());
    return encoded;
}

std::vector<uint8_t> patterned_image(size_t length) {
    std::vector<uint8_t> image(length);
    for (size_t i = 0; i < length; ++i) {
        image[i] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    return image;
}

// The image sits in a buffer of exactly its length, so that a read past its
// end shows under the address sanitizer.
TEST(EncodeImage, WholePagesLeaveTheNextSlotUntouched) {
    const std::vector<uint8_t> image = patterned_image(2 * IMAGE_PAGE_BYTES);
    const std::vector<uint8_t> staging = encoded_slots(image, 3);
    for (uint32_t page = 0; page < 2; ++page) {
        const uint8_t* slot = &staging[page * ENCODED_PAGE_SLOT_BYTES];
        EXPECT_EQ(std::vector<uint8_t>(slot, slot + ENCODED_PAGE_BYTES),
                  encoded_chunk(&image[page * IMAGE_PAGE_BYTES]))
            << "page " << page;
        for (uint32_t i = ENCODED_PAGE_BYTES; i < ENCODED_PAGE_SLOT_BYTES; ++i) {
            ASSERT_EQ(slot[i], 0xA5) << "page " << page << " byte " << i;
        }
    }
    for (uint32_t i = 2 * ENCODED_PAGE_SLOT_BYTES; i < staging.size(); ++i) {
        ASSERT_EQ(staging[i], 0xA5) << i;
    }
}

TEST(EncodeImage, OneByteMoreAddsAPagePaddedWithFF) {
    const std::vector<uint8_t> image = patterned_image(2 * IMAGE_PAGE_BYTES + 1);
    const std::vector<uint8_t> staging = encoded_slots(image, 3);
    uint8_t last_chunk[IMAGE_PAGE_BYTES];
    std::memset(last_chunk, 0xFF, sizeof last_chunk);
    last_chunk[0] = image.back();
    const uint8_t* slot = &staging[2 * ENCODED_PAGE_SLOT_BYTES];
    EXPECT_EQ(std::vector<uint8_t>(slot, slot + ENCODED_PAGE_BYTES), encoded_chunk(last_chunk));
}

TEST(EncodeImage, EmptyImageWritesNothing) {
    const std::vector<uint8_t> staging = encoded_slots({}, 1);
    EXPECT_EQ(staging, std::vector<uint8_t>(ENCODED_PAGE_SLOT_BYTES, 0xA5));
}

}  // namespace
