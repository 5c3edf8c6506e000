// The drive's path text, "\\.\PHYSICALDRIVE<n>", as every message and the
// platform's open name it.
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr size_t DRIVE_PATH_CHARS = 40;

inline void format_drive_path(uint32_t drive_number, char (&path)[DRIVE_PATH_CHARS]) {
    std::snprintf(path, sizeof path, "\\\\.\\PHYSICALDRIVE%u", drive_number);
}
