// The station's own disks on Windows. Wine answers for each of its drive
// volumes (C: and Z:) as a partition of disk 0, \\.\PHYSICALDRIVE0, through
// IOCTL_STORAGE_GET_DEVICE_NUMBER, and with an empty list of extents through
// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS; the disk holding the system volume is
// then the one to refuse. Physical drives are only asked questions here:
// is_station_disk opens them without read or write access, and no test opens
// one in any other way.
#include "platform/win32/station_disk.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

// The disk of the system volume, as its drive letter's device answers.
std::optional<uint32_t> system_disk() {
    wchar_t directory[MAX_PATH];
    if (::GetSystemDirectoryW(directory, MAX_PATH) == 0) {
        return std::nullopt;
    }
    const std::wstring letter = std::wstring(L"\\\\.\\") + directory[0] + L":";
    const HANDLE volume = ::CreateFileW(letter.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    STORAGE_DEVICE_NUMBER number{};
    DWORD got = 0;
    const bool answered = ::DeviceIoControl(volume, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                            sizeof number, &got, nullptr);
    ::CloseHandle(volume);
    return answered ? std::optional<uint32_t>(number.DeviceNumber) : std::nullopt;
}

std::string drive_path(uint32_t disk, const char* format = "\\\\.\\PHYSICALDRIVE%u") {
    char path[64];
    std::snprintf(path, sizeof path, format, disk);
    return path;
}

// A disk number no station has.
constexpr uint32_t NO_DISK = 99;

struct StationDisk : testing::Test {
    uint32_t disk = 0;
    char reason[1000] = "";
    void SetUp() override {
        const std::optional<uint32_t> found = system_disk();
        ASSERT_TRUE(found) << "the system volume names no disk";
        disk = *found;
    }
};

TEST_F(StationDisk, EachKindOfStationVolumeFindsTheSystemDiskAndNoOther) {
    const struct {
        const char* kind;
        bool (*volume_on)(uint32_t, char*, size_t);
        const char* reason;
    } kinds[] = {
        {"system volume", platform::system_volume_on, "the running system stands on it"},
        // Wine, like a usual station, keeps its page file on the system volume.
        {"page file", platform::page_file_volume_on, "a page file is on it (C:\\pagefile.sys"},
        {"mounted volume", platform::mounted_volume_on, "is mounted at C:\\"},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.kind);
        reason[0] = '\0';
        EXPECT_TRUE(kind.volume_on(disk, reason, sizeof reason));
        EXPECT_NE(std::string(reason).find(kind.reason), std::string::npos) << reason;
        EXPECT_FALSE(kind.volume_on(NO_DISK, reason, sizeof reason));
    }
}

TEST_F(StationDisk, ADriveIsRefusedWhenItsDiskHoldsAStationVolume) {
    const std::string scratch = testing::TempDir() + "scratch_drive.bin";
    std::FILE* file = std::fopen(scratch.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    const struct {
        std::string path;
        bool refused;
    } cases[] = {
        {drive_path(disk), true},
        {drive_path(disk, "\\\\?\\physicaldrive%u"), true},
        // A drive that answers nothing (here a name the system does not
        // know) is checked as the disk its path names.
        {drive_path(disk, "\\\\.\\PHYSICALDRIVE0%u"), true},
        {drive_path(NO_DISK), false},
        // A file stands on a station disk and is still no drive of the station.
        {scratch, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        reason[0] = '\0';
        EXPECT_EQ(platform::is_station_disk(c.path.c_str(), reason, sizeof reason), c.refused) << reason;
    }
    std::remove(scratch.c_str());
}

}  // namespace
