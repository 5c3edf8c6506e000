// How a system-area installer ends when its read-back differs from what it
// wrote. There is no retry and no second location: the drive cannot be used
// as it is.
#pragma once

#include <cstddef>
#include <cstdint>

// The station record (the trail with the installer's line appended), then
// the fatal-error tail naming the installer's source and line.
[[noreturn]] void install_failure(const char* station_line, const char* source_path, unsigned line);

// Before that: the corruption message, and what was written and what was read
// back in "good.bin" and "bad.bin".
[[noreturn]] void install_corruption(const char* station_line, const uint8_t* written, const uint8_t* read,
                                     size_t bytes, const char* source_path, unsigned line);

#define INSTALL_FAILURE(station_line) install_failure((station_line), __FILE__, __LINE__)
#define INSTALL_CORRUPTION(station_line, written, read, bytes) \
    install_corruption((station_line), (written), (read), (bytes), __FILE__, __LINE__)
