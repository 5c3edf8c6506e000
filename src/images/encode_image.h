// Host encoding of a firmware image for block zero: page by page, each page
// in its own slot of ENCODED_PAGE_SLOT_BYTES.
#pragma once

#include <cstdint>

// Writes the first encoded bytes of image_page_count(length) consecutive
// slots from `slots` on and leaves the rest of every slot untouched.
void encode_image(const uint8_t* image, uint32_t length, uint8_t* slots);
