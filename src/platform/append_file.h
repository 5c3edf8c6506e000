// Appending records to a file that several processes write at once.
#pragma once

#include <cstddef>

namespace platform {

// Opens the file for appending (creating it when missing), writes the bytes
// at its end in one write and closes it: what another process appends
// meanwhile lands before or after them, never among them. False when the
// file cannot be opened or not every byte was written.
bool append_to_file(const char* path, const void* bytes, size_t count);

}  // namespace platform
