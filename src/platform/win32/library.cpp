#include "platform/library.h"

#include <windows.h>

#include <algorithm>

namespace platform {

LibraryHandle library_load(const char* path) {
    return ::LoadLibraryA(path);
}

void* library_symbol(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void library_unload(LibraryHandle library) {
    ::FreeLibrary(static_cast<HMODULE>(library));
}

bool program_file_path(char* out, size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    // A path cut to the buffer comes back as the full buffer length.
    const DWORD size = static_cast<DWORD>(std::min<size_t>(capacity, MAXDWORD));
    const DWORD length = ::GetModuleFileNameA(nullptr, out, size);
    return length > 0 && length < size;
}

}  // namespace platform
