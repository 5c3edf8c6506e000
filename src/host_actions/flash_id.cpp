#include "host_actions/flash_id.h"

#include "host_main/station_log.h"
#include "selected_build.h"

namespace {

unsigned low_byte(uint16_t word) {
    return word & 0xFFu;
}

unsigned high_byte(uint16_t word) {
    return word >> 8;
}

}  // namespace

FlashIdResult check_flash_id(const uint16_t ids[FLASH_ID_WORDS]) {
    uint32_t equal_to_first = 0;
    for (uint32_t j = 0; j < FLASH_ID_WORDS; ++j) {
        if (low_byte(ids[j]) != high_byte(ids[j])) {
            put_to_log_buffer("ERROR : Flash chip ID Error\nHigh ID = %04X Low ID = %04X", high_byte(ids[j]),
                              low_byte(ids[j]));
            return FLASH_ID_WRONG;
        }
        equal_to_first += ids[j] == ids[0] ? 1 : 0;
    }
    // An empty position answers with one constant pattern.
    if (equal_to_first == FLASH_ID_WORDS) {
        return FLASH_ID_NO_FLASH;
    }
    const unsigned maker = high_byte(ids[0]);
    if (maker != BUILD_MAKER_ID) {
        put_to_log_buffer(
            "ERROR : Invalid flash maker code\nCurrent Maker ID = %04X  Original Maker ID = %04X\n", maker,
            static_cast<unsigned>(BUILD_MAKER_ID));
        return FLASH_ID_WRONG;
    }
    uint32_t spec_id = 0;
    for (uint32_t j = 1; j < FLASH_ID_WORDS; ++j) {
        spec_id |= static_cast<uint32_t>(high_byte(ids[j])) << (8 * (j - 1));
    }
    if (spec_id != BUILD_SPEC_ID) {
        put_to_log_buffer(
            "ERROR : Invalid flash specification ID\nCurrent Spec ID = %04X Original Spec ID = %04X\n",
            spec_id, BUILD_SPEC_ID);
        return FLASH_ID_WRONG;
    }
    return FLASH_ID_EXPECTED;
}
