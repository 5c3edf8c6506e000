#include "platform/posix/mount_table.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr int MOUNT_POINT_FIELD = 4;

// The field that starts at `text` (blanks before it skipped), copied into
// `out` and cut to its capacity; the result points past it, or is null when
// the line has no more fields.
const char* take_field(const char* text, char* out, size_t capacity) {
    while (*text == ' ') {
        ++text;
    }
    const size_t length = std::strcspn(text, " \n");
    if (length == 0) {
        return nullptr;
    }
    const size_t kept = length < capacity ? length : capacity - 1;
    std::memcpy(out, text, kept);
    out[kept] = '\0';
    return text + length;
}

bool parse_device_number(const char* field, MountEntry* out) {
    unsigned major = 0;
    unsigned minor = 0;
    char rest = 0;
    if (std::sscanf(field, "%u:%u%c", &major, &minor, &rest) != 2) {
        return false;
    }
    out->major = major;
    out->minor = minor;
    return true;
}

}  // namespace

bool parse_mount_line(const char* line, MountEntry* out) {
    char field[256];
    const char* cursor = line;
    for (int index = 0; index <= MOUNT_POINT_FIELD; ++index) {
        cursor = take_field(cursor, index == MOUNT_POINT_FIELD ? out->mount_point : field,
                            index == MOUNT_POINT_FIELD ? sizeof out->mount_point : sizeof field);
        if (cursor == nullptr || (index == 2 && !parse_device_number(field, out))) {
            return false;
        }
    }
    // Optional fields up to the lone "-", then the type and the source.
    do {
        cursor = take_field(cursor, field, sizeof field);
        if (cursor == nullptr) {
            return false;
        }
    } while (std::strcmp(field, "-") != 0);
    cursor = take_field(cursor, field, sizeof field);
    return cursor != nullptr && take_field(cursor, out->source, sizeof out->source) != nullptr;
}

}  // namespace platform
