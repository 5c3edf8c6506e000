#include "platform/win32/station_disk.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/station_disk_rule.h"

namespace platform {

namespace {

constexpr DWORD SHARED = FILE_SHARE_READ | FILE_SHARE_WRITE;

constexpr wchar_t MEMORY_MANAGEMENT_KEY[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
// The page files the system started with ("\??\C:\pagefile.sys"), and the
// ones it is set up to use ("C:\pagefile.sys 0 0"; older systems have only
// these).
constexpr const wchar_t* PAGE_FILE_VALUES[] = {L"ExistingPageFiles", L"PagingFiles"};
constexpr wchar_t NT_PATH_PREFIX[] = L"\\??\\";

// An answer that grew while it was asked for is asked for again, this often.
constexpr int ANSWER_TRIES = 3;
constexpr DWORD FIRST_EXTENT_ROOM = 4;

std::string narrow(const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

std::optional<STORAGE_DEVICE_NUMBER> device_number(HANDLE device) {
    STORAGE_DEVICE_NUMBER number{};
    DWORD got = 0;
    if (!::DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &got,
                           nullptr) ||
        got < sizeof number) {
        return std::nullopt;
    }
    return number;
}

bool is_disk(const STORAGE_DEVICE_NUMBER& number) {
    return number.DeviceType == FILE_DEVICE_DISK;
}

// Asked through a handle without read or write access, so that nothing can
// reach the drive through it.
std::optional<uint32_t> answered_drive_disk(const char* drive_path) {
    const HANDLE drive = ::CreateFileA(drive_path, 0, SHARED, nullptr, OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const std::optional<STORAGE_DEVICE_NUMBER> number = device_number(drive);
    ::CloseHandle(drive);
    if (!number || !is_disk(*number)) {
        return std::nullopt;
    }
    return number->DeviceNumber;
}

// Only the extents the answer holds count, whatever count it gives.
std::vector<uint32_t> disks_of(const VOLUME_DISK_EXTENTS& answer, DWORD got) {
    const size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
    const size_t held = got < header ? 0 : (got - header) / sizeof(DISK_EXTENT);
    const DISK_EXTENT* extents = answer.Extents;
    std::vector<uint32_t> disks;
    for (size_t i = 0; i < std::min<size_t>(answer.NumberOfDiskExtents, held); ++i) {
        disks.push_back(extents[i].DiskNumber);
    }
    return disks;
}

// The disks the volume's extents lie on; none when the volume does not
// answer. A volume with more extents than the room says how many it has.
std::vector<uint32_t> extent_disks(HANDLE volume) {
    DWORD room = FIRST_EXTENT_ROOM;
    for (int attempt = 0; attempt < ANSWER_TRIES; ++attempt) {
        // The count ahead of the extents takes less than one extent's room.
        std::vector<DISK_EXTENT> storage(room + 1);
        auto* answer = reinterpret_cast<VOLUME_DISK_EXTENTS*>(storage.data());
        const DWORD bytes = static_cast<DWORD>(storage.size() * sizeof(DISK_EXTENT));
        DWORD got = 0;
        if (::DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, answer, bytes, &got,
                              nullptr)) {
            return disks_of(*answer, got);
        }
        if (::GetLastError() != ERROR_MORE_DATA) {
            return {};
        }
        room = answer->NumberOfDiskExtents;
    }
    return {};
}

// `volume_name` is "\\?\Volume{...}\", the volume's root directory; the
// volume itself is the name without its last backslash. A volume on another
// kind of device (a CD-ROM drive counts numbers of its own) lies on no disk.
bool volume_on_disk(const std::wstring& volume_name, uint32_t disk) {
    std::wstring device = volume_name;
    if (!device.empty() && device.back() == L'\\') {
        device.pop_back();
    }
    const HANDLE volume = ::CreateFileW(device.c_str(), 0, SHARED, nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::optional<STORAGE_DEVICE_NUMBER> number = device_number(volume);
    bool on_disk = false;
    if (!number || is_disk(*number)) {
        const std::optional<uint32_t> device_disk =
            number ? std::optional<uint32_t>(number->DeviceNumber) : std::nullopt;
        on_disk = volume_lies_on_disk(device_disk, extent_disks(volume), disk);
    }
    ::CloseHandle(volume);
    return on_disk;
}

// "\\?\Volume{...}\" of the volume a path lies on; empty when it cannot be had.
std::wstring volume_of(const wchar_t* path) {
    wchar_t mount_point[MAX_PATH];
    wchar_t volume[MAX_PATH];
    if (!::GetVolumePathNameW(path, mount_point, MAX_PATH) ||
        !::GetVolumeNameForVolumeMountPointW(mount_point, volume, MAX_PATH)) {
        return {};
    }
    return volume;
}

// The volume's first drive letter or mount point ("C:\", "D:\data\"); empty
// when it has none.
std::wstring first_mount_point(const wchar_t* volume_name) {
    std::vector<wchar_t> names(MAX_PATH + 1);
    for (int attempt = 0; attempt < ANSWER_TRIES; ++attempt) {
        DWORD needed = 0;
        if (::GetVolumePathNamesForVolumeNameW(volume_name, names.data(), static_cast<DWORD>(names.size()),
                                               &needed)) {
            return names.data();
        }
        if (::GetLastError() != ERROR_MORE_DATA) {
            return {};
        }
        names.resize(needed);
    }
    return {};
}

// The texts of a registry value that is a text or a list of texts; none
// when the value is missing.
std::vector<std::wstring> registry_texts(const wchar_t* key, const wchar_t* value) {
    constexpr DWORD TEXT_TYPES = RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ;
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, value, TEXT_TYPES, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    // Two terminators beyond the value end the list whatever the value holds.
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, L'\0');
    bytes = static_cast<DWORD>((data.size() - 2) * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, value, TEXT_TYPES, nullptr, data.data(), &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::wstring> texts;
    for (const wchar_t* text = data.data(); *text != L'\0'; text += std::wcslen(text) + 1) {
        texts.emplace_back(text);
    }
    return texts;
}

}  // namespace

bool system_volume_on(uint32_t disk, char* reason, size_t capacity) {
    wchar_t system_directory[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system_directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    const std::wstring volume = volume_of(system_directory);
    if (volume.empty() || !volume_on_disk(volume, disk)) {
        return false;
    }
    std::snprintf(reason, capacity, "the running system stands on it (%s on volume %s)",
                  narrow(system_directory).c_str(), narrow(volume).c_str());
    return true;
}

bool page_file_volume_on(uint32_t disk, char* reason, size_t capacity) {
    for (const wchar_t* value : PAGE_FILE_VALUES) {
        for (std::wstring page_file : registry_texts(MEMORY_MANAGEMENT_KEY, value)) {
            if (page_file.starts_with(NT_PATH_PREFIX)) {
                page_file.erase(0, std::wcslen(NT_PATH_PREFIX));
            }
            const std::wstring volume = volume_of(page_file.c_str());
            if (!volume.empty() && volume_on_disk(volume, disk)) {
                std::snprintf(reason, capacity, "a page file is on it (%s on volume %s)",
                              narrow(page_file).c_str(), narrow(volume).c_str());
                return true;
            }
        }
    }
    return false;
}

bool mounted_volume_on(uint32_t disk, char* reason, size_t capacity) {
    wchar_t volume[MAX_PATH];
    const HANDLE search = ::FindFirstVolumeW(volume, MAX_PATH);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool found = false;
    do {
        const std::wstring mount_point = first_mount_point(volume);
        found = !mount_point.empty() && volume_on_disk(volume, disk);
        if (found) {
            std::snprintf(reason, capacity, "volume %s is mounted at %s", narrow(volume).c_str(),
                          narrow(mount_point).c_str());
        }
    } while (!found && ::FindNextVolumeW(search, volume, MAX_PATH));
    ::FindVolumeClose(search);
    return found;
}

bool is_station_disk(const char* drive_path, char* reason, size_t capacity) {
    const std::optional<uint32_t> disk = disk_to_check(drive_path, answered_drive_disk(drive_path));
    return disk &&
           (system_volume_on(*disk, reason, capacity) || page_file_volume_on(*disk, reason, capacity) ||
            mounted_volume_on(*disk, reason, capacity));
}

}  // namespace platform
