#include "images/encode_image.h"

#include <cstring>

#include "codec/page_codec.h"
#include "images/image_pages.h"
#include "images/scramble_seeds.h"

static_assert(PAGE_CHUNK_BYTES == IMAGE_PAGE_BYTES);
static_assert(ENCODED_PAGE_BYTES <= ENCODED_PAGE_SLOT_BYTES);

// The encoder takes whole pages, so the last page's bytes beyond the image
// are filled with 0xFF first; the drive is told the image's exact length and
// ignores them.
void encode_image(const uint8_t* image, uint32_t length, uint8_t* slots) {
    for (uint32_t page = 0; page < image_page_count(length); ++page) {
        const uint32_t start = page * IMAGE_PAGE_BYTES;
        const uint8_t* chunk = image + start;
        uint8_t last_chunk[IMAGE_PAGE_BYTES];
        if (length - start < IMAGE_PAGE_BYTES) {
            std::memset(last_chunk, 0xFF, sizeof last_chunk);
            std::memcpy(last_chunk, chunk, length - start);
            chunk = last_chunk;
        }
        encode_page(chunk, scramble_seeds, slots + page * ENCODED_PAGE_SLOT_BYTES);
    }
}
