// The tool refuses a disk of the station before it writes anything: here a
// loop device holding a mounted file system. The same device, unmounted, is
// opened like any drive. Needs the rights to attach and mount loop devices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "e2e_harness.h"

namespace {

namespace fs = std::filesystem;

const char REFUSAL[] = "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is in use by this station\n";

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

struct LoopDisk {
    std::string device;
    std::string mount_point;
};

// A small image with a file system, attached as a loop device and mounted.
bool attach_mounted_loop_disk(const std::string& dir, LoopDisk* disk) {
    const std::string image = dir + "/disk.img";
    const std::string device_file = dir + "/loop_device";
    disk->mount_point = dir + "/mounted";
    fs::create_directories(disk->mount_point);
    if (!shell("truncate -s 4M " + image) ||
        std::system(("losetup -f --show " + image + " >" + device_file + " 2>/dev/null").c_str()) != 0) {
        return false;
    }
    std::ifstream(device_file) >> disk->device;
    return shell("mkfs.ext2 -q " + disk->device) && shell("mount " + disk->device + " " + disk->mount_point);
}

void detach(const LoopDisk& disk) {
    shell("umount " + disk.mount_point);
    shell("losetup -d " + disk.device);
}

TEST(StationDisk, AMountedDiskIsRefusedBeforeAnyWriteAndTheSameDiskUnmountedIsNot) {
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "station_disk");
    LoopDisk disk;
    if (!attach_mounted_loop_disk(station.dir, &disk)) {
        detach(disk);
        GTEST_SKIP() << "loop devices cannot be attached and mounted here";
    }
    const fs::path programs =
        fs::path(station.dir).parent_path().parent_path() / ("b" + std::to_string(station.build));
    fs::copy_file(programs / "prodtool", fs::path(station.dir) / "prodtool");
    fs::create_symlink(disk.device, fs::path(station.dir) / "PHYSICALDRIVE1");

    e2e::RunOptions real_tool;
    real_tool.program = "prodtool";
    const e2e::RunResult mounted = e2e::run(station, {"1"}, real_tool);
    shell("umount " + disk.mount_point);
    const e2e::RunResult unmounted = e2e::run(station, {"1"}, real_tool);
    detach(disk);

    EXPECT_EQ(mounted.exit_code, 1);
    EXPECT_NE(mounted.out.find(REFUSAL), std::string::npos) << mounted.out;
    EXPECT_EQ(mounted.out.find("SATA/SDRAM test"), std::string::npos) << mounted.out;
    int failures = 0;
    for (const e2e::StationRecord& record : mounted.records) {
        failures += record.call == "write" && record.status == 4;
        if (record.status == 4) {
            EXPECT_EQ(record.text, "Target drive is in use by this station.\nTarget drive number = 1\n");
        }
    }
    EXPECT_EQ(failures, 1);

    // Not a drive in factory mode: the run fails later, at the drive.
    EXPECT_EQ(unmounted.exit_code, 1);
    EXPECT_EQ(unmounted.out.find(REFUSAL), std::string::npos) << unmounted.out;
    EXPECT_EQ(unmounted.out.find("cannot open"), std::string::npos) << unmounted.out;
}

}  // namespace
