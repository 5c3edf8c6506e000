#include "platform/environment.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

bool environment_variable(const char* name, char* out, size_t capacity) {
    const char* value = std::getenv(name);
    if (value == nullptr || capacity == 0) {
        return false;
    }
    const size_t length = std::min(std::strlen(value), capacity - 1);
    std::memcpy(out, value, length);
    out[length] = '\0';
    return true;
}

bool current_directory(char* out, size_t capacity) {
    return ::getcwd(out, capacity) != nullptr;
}

uint32_t process_id() {
    return static_cast<uint32_t>(::getpid());
}

}  // namespace platform
