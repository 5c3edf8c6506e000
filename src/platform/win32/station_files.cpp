#include "platform/station_files.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

bool write_all(HANDLE file, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

}  // namespace

bool make_directory(const char* path) {
    if (::CreateDirectoryA(path, nullptr)) {
        return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool replace_file_durably(const char* path, const uint8_t* bytes, size_t count) {
    const std::string fresh = std::string(path) + ".new";
    const HANDLE file = ::CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = write_all(file, bytes, count) && ::FlushFileBuffers(file);
    if (!::CloseHandle(file) || !written ||
        !::MoveFileExA(fresh.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

bool remove_file_durably(const char* path) {
    if (::DeleteFileA(path)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool list_directory(const char* path, void (*each)(const char* name, void* context), void* context) {
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((std::string(path) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            each(found.cFileName, context);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return true;
}

}  // namespace platform
