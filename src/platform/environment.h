// The process environment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// False when the variable is not set; a longer value is cut to fit.
bool environment_variable(const char* name, char* out, size_t capacity);

// False when the directory cannot be had or does not fit.
bool current_directory(char* out, size_t capacity);

// The operating system's number of this process.
uint32_t process_id();

}  // namespace platform
