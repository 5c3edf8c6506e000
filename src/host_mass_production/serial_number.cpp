#include "host_mass_production/serial_number.h"

#include <cstdio>
#include <cstring>

#include "host_actions/stamp_reader.h"
#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "images/identity.h"
#include "platform/console.h"
#include "platform/entropy.h"
#include "run_state/work_block.h"

namespace {

constexpr size_t STAMP_SERIAL_OFFSET = 180;
constexpr size_t CONSOLE_TITLE_CHARS = 29;

// A serial stored as a path ("C:\..." or "D:\...") is not a serial number.
bool is_usable_stored_serial(const uint8_t* serial) {
    const bool looks_like_path =
        (serial[0] == 'C' || serial[0] == 'D') && serial[1] == ':' && serial[2] == '\\';
    return !looks_like_path;
}

// Bytes of the station's entropy source, taken in batches: a serial needs
// two or a few more per character.
struct EntropyBytes {
    uint8_t bytes[64];
    size_t used = sizeof bytes;
};

bool next_byte(EntropyBytes& source, uint8_t* out) {
    if (source.used == sizeof source.bytes) {
        if (!platform::entropy_bytes(source.bytes, sizeof source.bytes)) {
            return false;
        }
        source.used = 0;
    }
    *out = source.bytes[source.used++];
    return true;
}

// Uniform over `count` values: bytes from the top, where `count` does not
// divide 256 evenly, are passed over.
bool draw_below(EntropyBytes& source, uint8_t count, uint8_t* out) {
    const unsigned usable = 256 - 256 % count;
    uint8_t byte = 0;
    do {
        if (!next_byte(source, &byte)) {
            return false;
        }
    } while (byte >= usable);
    *out = static_cast<uint8_t>(byte % count);
    return true;
}

// Letter or digit with even chances (an even byte is a letter), then one of
// the 26 letters or 10 digits: about 5 bits a character, 100 a serial. The
// operating system's source, not the run's generator: that one restarts
// from the current second with every command, so drives started in the same
// second would share a serial.
bool make_up_serial_number() {
    EntropyBytes source;
    for (size_t i = 0; i < SERIAL_NUMBER_CHARS; ++i) {
        uint8_t kind = 0;
        uint8_t value = 0;
        if (!next_byte(source, &kind)) {
            return false;
        }
        const bool letter = kind % 2 == 0;
        if (!draw_below(source, letter ? 26 : 10, &value)) {
            return false;
        }
        serial_number[i] = static_cast<char>((letter ? 'A' : '0') + value);
    }
    return true;
}

}  // namespace

SerialOrigin serial_origin = SerialOrigin::command_line;

void settle_serial_number() {
    serial_origin = SerialOrigin::command_line;
    if (serial_number[0] != '\0') {
        return;
    }
    const uint8_t* stored = work->stamp_copy + STAMP_SERIAL_OFFSET;
    if (read_stamp(work->stamp_copy) && is_usable_stored_serial(stored)) {
        std::memcpy(serial_number, stored, SERIAL_NUMBER_CHARS);
        serial_origin = SerialOrigin::stamp;
    } else if (make_up_serial_number()) {
        serial_origin = SerialOrigin::made_up;
    } else {
        set_error_colour();
        std::printf("ERROR: no random source for a serial number\n");
        restore_colour();
        station_log_write(STATUS_FAIL, 0, 1, "No random source for a serial number\n");
        FATAL_ERROR();
    }
    serial_number[SERIAL_NUMBER_CHARS] = '\0';
    std::printf("serial number = %s\n", serial_number);
}

void set_console_title(uint32_t drive_number) {
    char title[CONSOLE_TITLE_CHARS + 1];
    std::snprintf(title, sizeof title, "%d-%s", static_cast<int>(drive_number), serial_number);
    platform::console_set_title(title);
}
