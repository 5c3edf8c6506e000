// Files the station keeps for itself across runs, written so that a power
// loss or a killed process leaves either the old contents or the new ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Creates the directory when it does not exist. False when it neither
// exists nor can be made.
bool make_directory(const char* path);

// Writes the contents beside the file, flushes them to the station's disk and
// puts them in the file's place in one step, then makes that step durable.
// False on failure, with the file as it was.
bool replace_file_durably(const char* path, const uint8_t* bytes, size_t count);

// Removes the file, durably; true also when there is no such file.
bool remove_file_durably(const char* path);

// Calls `each` with the name of every file in the directory, in no order.
// False when the directory cannot be read (a missing one has no files).
bool list_directory(const char* path, void (*each)(const char* name, void* context), void* context);

}  // namespace platform
