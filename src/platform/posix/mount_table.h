// One line of the kernel's table of mounted file systems
// (/proc/self/mountinfo): "id parent major:minor root mount-point options
// [optional fields] - type source super-options".
#pragma once

#include <cstdint>

namespace platform {

struct MountEntry {
    uint32_t major;
    uint32_t minor;
    char mount_point[256];  // as the table writes it (a blank is "\040"); a longer one is cut
    char source[256];       // the device or other source of the file system; cut likewise
};

// False when the line is not a mount entry.
bool parse_mount_line(const char* line, MountEntry* out);

}  // namespace platform
