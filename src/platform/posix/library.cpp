#include "platform/library.h"

#include <dlfcn.h>
#include <unistd.h>

namespace platform {

LibraryHandle library_load(const char* path) {
    return ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* library_symbol(LibraryHandle library, const char* name) {
    return ::dlsym(library, name);
}

void library_unload(LibraryHandle library) {
    ::dlclose(library);
}

bool program_file_path(char* out, size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    const ssize_t length = ::readlink("/proc/self/exe", out, capacity);
    if (length <= 0 || static_cast<size_t>(length) >= capacity) {
        return false;
    }
    out[length] = '\0';
    return true;
}

}  // namespace platform
