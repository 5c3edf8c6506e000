#include "platform/synced_file.h"

#include <windows.h>

namespace station {

bool append_synced(const std::string& path, std::string_view text) {
    // Append-only access puts every write whole at the file's end, whoever
    // else appends.
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool whole =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
        written == text.size();
    const bool synced = ::FlushFileBuffers(file) != 0;
    return ::CloseHandle(file) != 0 && whole && synced;
}

}  // namespace station
