#include <cstdint>

#include "codec/random.h"
#include "host_actions/controller_actions.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "platform/clock.h"

namespace {

constexpr int32_t LARGEST_DRAW = 0x7FFFFFFE;
// Word 30 and word k (k in word 31) add up to this.
constexpr uint32_t PAIR_CONSTANT = 0x5A1C93D7;
// All 128 words add up to this.
constexpr uint32_t SUM_CONSTANT = 0x71D4C6B9;
constexpr unsigned WORD_PAIR_FIRST = 30;
constexpr unsigned WORD_PAIR_INDEX = 31;
constexpr unsigned WORD_MODE = 32;
constexpr unsigned WORD_SUM = 38;
// The pair word lies at a byte position of 0x98 to 0x1FF: word 38 to 127.
constexpr int32_t PAIR_BYTE_FIRST = 0x98;
constexpr int32_t PAIR_BYTE_LAST = 0x1FF;

constexpr uint32_t FIXED_WORDS[] = {0x00024204, 0x518, 0x27, 0x03E0F800};  // words 33 to 36

uint32_t draw_word() {
    return static_cast<uint32_t>(random_range(0, LARGEST_DRAW));
}

uint32_t mode_word(uint32_t sdram_size_code) {
    switch (sdram_size_code) {
        case SDRAM_16_MB:
            return 0x2EE00008;
        case SDRAM_32_MB:
            return 0x2EE00009;
        default:
            return 0x2EE0000A;
    }
}

uint32_t sum_of_words() {
    uint32_t sum = 0;
    for (unsigned word = 0; word < COMMAND_WORDS; ++word) {
        sum += command_word(word);
    }
    return sum;
}

}  // namespace

void enable_factory_mode(uint32_t sdram_size_code) {
    put_to_log_buffer("Enable factory mode\n");
    random_init(static_cast<uint32_t>(platform::calendar_seconds()));
    for (unsigned word = 0; word < COMMAND_WORDS; ++word) {
        set_command_word(word, draw_word());
    }
    const uint32_t pair_first = draw_word();
    set_command_word(WORD_PAIR_FIRST, pair_first);
    const auto pair_index = static_cast<unsigned>(random_range(PAIR_BYTE_FIRST, PAIR_BYTE_LAST) / 4);
    set_command_word(WORD_PAIR_INDEX, pair_index);
    set_command_word(pair_index, PAIR_CONSTANT - pair_first);

    set_command_word(WORD_OPCODE, CMD_ENABLE_FACTORY_MODE);
    set_command_word(WORD_MODE, mode_word(sdram_size_code));
    for (unsigned i = 0; i < 4; ++i) {
        set_command_word(WORD_MODE + 1 + i, FIXED_WORDS[i]);
    }
    // The channel's check pair sums to zero, so it leaves the sum as it is.
    set_command_word(WORD_CHECK, 0);
    set_command_word(WORD_CHECK_NEG, 0);
    set_command_word(WORD_SUM, 0);
    set_command_word(WORD_SUM, SUM_CONSTANT - sum_of_words());

    SEND_TO_DEVICE(nullptr, 0);
    clear_log_buffer();
}
