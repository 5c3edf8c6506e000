// Dynamic libraries and the program's own file.
#pragma once

#include <cstddef>

namespace platform {

using LibraryHandle = void*;

// Null on failure.
LibraryHandle library_load(const char* path);
// The entry the library itself defines under the name; null when it has none
// (a library it depends on defining the name does not count).
void* library_symbol(LibraryHandle library, const char* name);
void library_unload(LibraryHandle library);

// Full path of the running program file. False when it cannot be had or
// does not fit.
bool program_file_path(char* out, size_t capacity);

// The separator between path components.
inline constexpr char PATH_SEPARATOR =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace platform
