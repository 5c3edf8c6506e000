#include "platform/environment.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace platform {

namespace {

DWORD clamped(size_t capacity) {
    return static_cast<DWORD>(std::min<size_t>(capacity, MAXDWORD));
}

}  // namespace

bool environment_variable(const char* name, char* out, size_t capacity) {
    // The size asked for includes the terminator; 0 when the variable is not set.
    const DWORD needed = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0 || capacity == 0) {
        return false;
    }
    std::string value(needed, '\0');
    const DWORD length = ::GetEnvironmentVariableA(name, value.data(), needed);
    if (length >= needed) {
        return false;
    }
    const size_t kept = std::min<size_t>(length, capacity - 1);
    std::memcpy(out, value.data(), kept);
    out[kept] = '\0';
    return true;
}

bool current_directory(char* out, size_t capacity) {
    // The length without the terminator, or the size needed when it does not fit.
    const DWORD length = ::GetCurrentDirectoryA(clamped(capacity), out);
    return length > 0 && length < capacity;
}

uint32_t process_id() {
    return ::GetCurrentProcessId();
}

}  // namespace platform
