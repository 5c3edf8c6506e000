#include "host_mass_production/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_main/fatal_error.h"
#include "images/identity.h"

namespace {

constexpr int MIN_ARGUMENTS = 2;
constexpr int MAX_ARGUMENTS = 8;

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
        case 'B':
            options->bist_count = std::atoi(value);
            break;
        case 'G':
            options->fragmentation = (value[0] == 'y' || value[0] == 'Y') ? 1 : 0;
            break;
        default:
            break;
    }
}

}  // namespace

bool read_command_line(int argc, const char* const* argv, RunOptions* options) {
    if (argc < MIN_ARGUMENTS || argc > MAX_ARGUMENTS) {
        return false;
    }
    *options = RunOptions{0, false, false, -1, 0};
    unsigned drive_number = 0;
    if (std::sscanf(argv[1], "%u", &drive_number) != 1) {
        std::printf("ERROR: invalid argument\n");
        FATAL_ERROR();
    }
    options->drive_number = drive_number;
    for (int i = 2; i < argc; ++i) {
        read_option(argv[i], options);
    }
    return true;
}
