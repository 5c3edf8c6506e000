#include "host_mass_production/command_line.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "host_main/fatal_error.h"
#include "images/identity.h"

namespace {

constexpr int MIN_ARGUMENTS = 2;
constexpr int MAX_ARGUMENTS = 8;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

const char* skip_blanks(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    return text;
}

// Reads the decimal digits at text; false when their value exceeds limit.
bool read_digits(const char* text, uint64_t limit, uint64_t* value) {
    *value = 0;
    for (; is_digit(*text); ++text) {
        *value = *value * 10 + static_cast<uint64_t>(*text - '0');
        if (*value > limit) {
            return false;
        }
    }
    return true;
}

// The drive number: blanks, then decimal digits whose value fits 32 bits; a
// sign is refused, so that no number names a drive by wrapping around.
bool read_drive_number(const char* text, uint32_t* drive_number) {
    text = skip_blanks(text);
    uint64_t value = 0;
    if (!is_digit(*text) || !read_digits(text, UINT32_MAX, &value)) {
        return false;
    }
    *drive_number = static_cast<uint32_t>(value);
    return true;
}

// Copies an option's text, with its terminator, over the identity text; the
// bytes behind the terminator keep what the field held before.
bool set_identity_text(char* field, size_t capacity, const char* value) {
    const size_t length = std::strlen(value);
    if (length > capacity) {
        return false;
    }
    std::memcpy(field, value, length + 1);
    return true;
}

void read_option(const char* argument, RunOptions* options) {
    const char* value = argument + 1;
    switch (argument[0]) {
        case 'L':
            options->operator_mode = true;
            break;
        case 'T':
            options->timing_test = true;
            break;
        case 'F':
            if (!set_identity_text(fw_revision, FW_REVISION_CHARS, value)) {
                std::printf("ERROR: invalid firmware revision\n");
                FATAL_ERROR();
            }
            std::printf("Firmware revision = %s\n", fw_revision);
            break;
        case 'S':
            if (!set_identity_text(serial_number, SERIAL_NUMBER_CHARS, value)) {
                std::printf("ERROR: invalid serial number\n");
                FATAL_ERROR();
            }
            std::printf("Serial number = %s\n", serial_number);
            break;
        case 'M':
            if (!set_identity_text(model_number, MODEL_NUMBER_CHARS, value)) {
                std::printf("ERROR: invalid model number\n");
                FATAL_ERROR();
            }
            std::printf("Model number = %s\n", model_number);
            break;
        case 'B': {
            uint32_t count = 0;
            if (!read_flash_test_count(value, &count)) {
                std::printf("ERROR: invalid BIST count (0 to %u)\n", FLASH_TEST_COUNT_MAX);
                FATAL_ERROR();
            }
            options->bist_count = static_cast<int32_t>(count);
            break;
        }
        case 'G':
            options->fragmentation = (value[0] == 'y' || value[0] == 'Y') ? 1 : 0;
            break;
        default:
            break;
    }
}

}  // namespace

bool read_flash_test_count(const char* text, uint32_t* count) {
    text = skip_blanks(text);
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    uint64_t value = 0;
    if (!read_digits(text, FLASH_TEST_COUNT_MAX, &value) || (negative && value != 0)) {
        return false;
    }
    *count = static_cast<uint32_t>(value);
    return true;
}

bool read_command_line(int argc, const char* const* argv, RunOptions* options) {
    if (argc < MIN_ARGUMENTS || argc > MAX_ARGUMENTS) {
        return false;
    }
    *options = RunOptions{0, false, false, -1, 0};
    if (!read_drive_number(argv[1], &options->drive_number)) {
        std::printf("ERROR: invalid argument\n");
        FATAL_ERROR();
    }
    for (int i = 2; i < argc; ++i) {
        read_option(argv[i], options);
    }
    return true;
}
