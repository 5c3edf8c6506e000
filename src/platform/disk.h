// Raw access to a physical drive: unbuffered, write-through, whole 512-byte
// sectors from 512-aligned buffers at absolute byte positions.
#pragma once

#include <cstdint>

namespace platform {

using DiskHandle = std::intptr_t;
inline constexpr DiskHandle INVALID_DISK_HANDLE = -1;

// disk_open's answer for a disk the station itself uses, which the tool must
// never write: a disk that holds a mounted file system (on it or on one of
// its partitions), the disk the running system stands on, or a disk the
// system holds otherwise (swap, RAID, volume manager). A drive in factory mode
// presents its SDRAM and holds none of these, so it is never refused. The
// reason goes to the diagnostics channel (platform/debug_output.h).
//
// POSIX: the path is resolved through its links; a regular file is never
// refused. For a block device, the device numbers of the disk and of its
// partitions (/sys/dev/block/<major>:<minor>/<partition>/dev) are compared
// with every mounted file system's in /proc/self/mountinfo (by the device
// number and by the source device), and with the device of "/", following
// stacked devices down through their slaves; a disk that passes is opened
// with O_EXCL, which the kernel refuses (EBUSY) while it holds the disk.
// Windows: only a path "\\.\PHYSICALDRIVE<n>" names a disk (a file is never
// refused). IOCTL_STORAGE_GET_DEVICE_NUMBER, asked through a handle without
// read or write access, gives the drive's disk number; a drive that does not
// answer is checked as disk n. The system volume (of GetSystemDirectory), the
// volumes of the page files (ExistingPageFiles, PagingFiles) and every volume
// (FindFirstVolume/FindNextVolume) that has a mount point or a drive letter
// are asked IOCTL_STORAGE_GET_DEVICE_NUMBER and
// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS; a volume whose disk or any of whose
// extents is that disk refuses the drive (platform/station_disk_rule.h).
inline constexpr DiskHandle REFUSED_DISK_HANDLE = -2;

// disk_open's answer for a drive that another process holds: two runs on one
// drive would interleave their commands and each take the other's results.
// The first open of a drive claims it for the process, before anything is
// written; the claim outlives a close and reopen of the drive in the same
// process and ends with the process, however it ends.
//
// POSIX: an exclusive flock on a descriptor of the drive (the device node or
// the file), opened read-only for the claim alone and kept open; a block
// device, a drive file and a drive served through FUSE all take it.
// Windows: the mutex "Global\prodtool PHYSICALDRIVE<n>", owned by the
// process, for the disk number of a path "\\.\PHYSICALDRIVE<n>" (in the
// global namespace, so that a run in another logon session is held off as
// well); a path that names no physical drive is not claimed.
inline constexpr DiskHandle BUSY_DISK_HANDLE = -3;

// Opens the drive named by its Windows path text "\\.\PHYSICALDRIVE<n>" for
// reading and writing, shared, existing device only. On POSIX the drive is
// $PRODTOOL_DEVICE_DIR/PHYSICALDRIVE<n>, or /dev/PHYSICALDRIVE<n> when the
// variable is not set. Returns REFUSED_DISK_HANDLE for a disk of the station
// (above), BUSY_DISK_HANDLE for a drive another process holds (above),
// INVALID_DISK_HANDLE on any other failure.
DiskHandle disk_open(const char* drive_path);

// The length of the opened disk in bytes, as the system reports it: POSIX
// BLKGETSIZE64 for a block device, the file size for a file (a drive file, a
// drive served through FUSE); Windows IOCTL_DISK_GET_LENGTH_INFO, or the
// file size for a file standing in for a drive. False when it cannot be told.
bool disk_size(DiskHandle disk, uint64_t* bytes);

bool disk_set_position(DiskHandle disk, uint64_t byte_offset);

// Transfers at the current position, which advances by the bytes moved.
bool disk_read(DiskHandle disk, void* buffer, uint32_t bytes);
bool disk_write(DiskHandle disk, const void* buffer, uint32_t bytes);

void disk_close(DiskHandle disk);

}  // namespace platform
