#include "host_mass_production/serial_number.h"

#include <cstdio>
#include <cstring>

#include "codec/random.h"
#include "host_actions/stamp_reader.h"
#include "run_state/work_block.h"
#include "images/identity.h"
#include "platform/console.h"

namespace {

constexpr size_t STAMP_SERIAL_OFFSET = 180;
constexpr size_t CONSOLE_TITLE_CHARS = 29;

// A serial stored as a path ("C:\..." or "D:\...") is not a serial number.
bool is_usable_stored_serial(const uint8_t* serial) {
    const bool looks_like_path =
        (serial[0] == 'C' || serial[0] == 'D') && serial[1] == ':' && serial[2] == '\\';
    return !looks_like_path;
}

void make_up_serial_number() {
    for (size_t i = 0; i < SERIAL_NUMBER_CHARS; ++i) {
        const bool letter = random_range(0, 1) == 0;
        serial_number[i] = static_cast<char>(letter ? random_range('A', 'Z') : random_range('0', '9'));
    }
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
    } else {
        make_up_serial_number();
        serial_origin = SerialOrigin::made_up;
    }
    serial_number[SERIAL_NUMBER_CHARS] = '\0';
    std::printf("serial number = %s\n", serial_number);
}

void set_console_title(uint32_t drive_number) {
    char title[CONSOLE_TITLE_CHARS + 1];
    std::snprintf(title, sizeof title, "%d-%s", static_cast<int>(drive_number), serial_number);
    platform::console_set_title(title);
}
