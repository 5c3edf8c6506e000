// The files a failed read-back leaves in the current directory for support
// ("good.bin", "bad.bin", "bad<bank>.bin"): created, or overwritten.
#pragma once

#include <cstddef>
#include <cstdint>

// A file that cannot be written is skipped: the failure it documents is
// reported either way.
void write_dump_file(const char* name, const uint8_t* data, size_t bytes);
