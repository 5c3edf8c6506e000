// Raw access to a physical drive: unbuffered, write-through, whole 512-byte
// sectors from 512-aligned buffers at absolute byte positions.
#pragma once

#include <cstdint>

namespace platform {

using DiskHandle = std::intptr_t;
inline constexpr DiskHandle INVALID_DISK_HANDLE = -1;

// Opens the drive named by its Windows path text "\\.\PHYSICALDRIVE<n>" for
// reading and writing, shared, existing device only. On POSIX the drive is
// $PRODTOOL_DEVICE_DIR/PHYSICALDRIVE<n>, or /dev/PHYSICALDRIVE<n> when the
// variable is not set. Returns INVALID_DISK_HANDLE on failure.
DiskHandle disk_open(const char* drive_path);

bool disk_set_position(DiskHandle disk, uint64_t byte_offset);

// Transfers at the current position, which advances by the bytes moved.
bool disk_read(DiskHandle disk, void* buffer, uint32_t bytes);
bool disk_write(DiskHandle disk, const void* buffer, uint32_t bytes);

void disk_close(DiskHandle disk);

}  // namespace platform
