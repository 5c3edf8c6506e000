#include "host_install/calibration_pattern.h"

#include "codec/random.h"
#include "host_install/block_zero_writer.h"
#include "host_install/transfer_buffer.h"
#include "little_endian.h"
#include "platform/clock.h"

namespace {

constexpr uint32_t RANDOM_PAGE = 0;
constexpr uint32_t HALF_WORD_PAGE = CALIBRATION_PAGE_BYTES;
constexpr uint32_t ALTERNATING_PAGE = 2 * CALIBRATION_PAGE_BYTES;

}  // namespace

void make_calibration_pattern(uint32_t seed, uint8_t* buffer) {
    random_init(seed);
    for (uint32_t word = 0; word < CALIBRATION_PAGE_BYTES / 2; ++word) {
        store_le16(buffer + RANDOM_PAGE + 2 * word, static_cast<uint16_t>(random_range(0, 0xFFFF)));
    }
    for (uint32_t word = 0; word < CALIBRATION_PAGE_BYTES / 4; ++word) {
        store_le32(buffer + HALF_WORD_PAGE + 4 * word, 0xFFFF0000);
        store_le32(buffer + ALTERNATING_PAGE + 4 * word, word % 2 == 1 ? 0xFFFFFFFF : 0);
    }
}

int write_calibration_pattern() {
    uint8_t* pattern = ALLOCATE_TRANSFER_BUFFER(CALIBRATION_PATTERN_BYTES);
    make_calibration_pattern(static_cast<uint32_t>(platform::calendar_seconds()), pattern);
    const int result = write_block_zero_pages(pattern, CALIBRATION_FIRST_PAGE, CALIBRATION_PAGES,
                                              CALIBRATION_PAGE_BYTES, 0, 0, 0);
    release_transfer_buffer(pattern);
    return result;
}
