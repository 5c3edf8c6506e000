#include "platform/win32/drive_claim.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/station_disk_rule.h"

namespace platform {

namespace {

HANDLE claim_mutex = nullptr;
uint32_t claimed_disk = 0;

// A mutex the run may own: free, or abandoned by a run that died.
bool owned(HANDLE mutex) {
    const DWORD waited = ::WaitForSingleObject(mutex, 0);
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

}  // namespace

DriveClaim claim_drive(const char* drive_path) {
    const std::optional<uint32_t> disk = physical_drive_number(drive_path);
    if (!disk || (claim_mutex != nullptr && claimed_disk == *disk)) {
        return DriveClaim::held;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Global\\prodtool PHYSICALDRIVE%u", *disk);
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) {
        // Another user's run made it, with a security that keeps others out.
        return ::GetLastError() == ERROR_ACCESS_DENIED ? DriveClaim::held_by_another_process
                                                       : DriveClaim::failed;
    }
    if (!owned(mutex)) {
        ::CloseHandle(mutex);
        return DriveClaim::held_by_another_process;
    }
    if (claim_mutex != nullptr) {
        ::ReleaseMutex(claim_mutex);
        ::CloseHandle(claim_mutex);
    }
    claim_mutex = mutex;
    claimed_disk = *disk;
    return DriveClaim::held;
}

}  // namespace platform
