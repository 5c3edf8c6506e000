#include "platform/append_file.h"

#include <windows.h>

namespace platform {

namespace {

// A byte far beyond any record file's end, locked by every writer for the
// time of its write. Opened with the right to append only, each write goes
// to the end of the file; the lock keeps two writers from taking the same end
// where the file system does not keep appends apart (a share, an emulation).
// A lock there never stands in the way of reading or appending the records;
// where no lock can be had the write still goes ahead.
constexpr DWORD WRITER_LOCK_OFFSET_HIGH = 0x7FFFFFFF;

}  // namespace

bool append_to_file(const char* path, const void* bytes, size_t count) {
    if (count > MAXDWORD) {
        return false;
    }
    const HANDLE file =
        ::CreateFileA(path, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    OVERLAPPED writer_lock{};
    writer_lock.OffsetHigh = WRITER_LOCK_OFFSET_HIGH;
    const bool locked = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &writer_lock);
    DWORD written = 0;
    const bool ok = ::WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
    if (locked) {
        ::UnlockFileEx(file, 0, 1, 0, &writer_lock);
    }
    ::CloseHandle(file);
    return ok && written == count;
}

}  // namespace platform
