#include "platform/library.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace platform {

LibraryHandle library_load(const char* path) {
    return ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

// The lookup searches the libraries the library depends on too: a plug-in
// without `write` would be given the C library's. A symbol counts only when
// the object that defines it is the library itself.
void* library_symbol(LibraryHandle library, const char* name) {
    void* symbol = ::dlsym(library, name);
    link_map* library_map = nullptr;
    link_map* defining_map = nullptr;
    Dl_info defining{};
    if (symbol == nullptr || ::dlinfo(library, RTLD_DI_LINKMAP, &library_map) != 0 ||
        ::dladdr1(symbol, &defining, reinterpret_cast<void**>(&defining_map), RTLD_DL_LINKMAP) == 0 ||
        defining_map != library_map) {
        return nullptr;
    }
    return symbol;
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
