// A drive double that records every transfer the code under test makes and
// can be told to fail one of them. Reads return the bytes of `read_source`
// at the read position (zero beyond it). A test that plays the drive's part
// answers in `after_transfer`, which sees each transfer as it is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/disk.h"

struct DiskTransfer {
    bool is_write;
    uint64_t position;
    uint32_t bytes;
    std::vector<uint8_t> data;  // what was written, or what the read returned
};

struct RecordingDisk {
    std::vector<std::string> opened_paths;
    platform::DiskHandle open_answer = 3;  // a handle, or INVALID_DISK_HANDLE or a refusal
    uint64_t size = 0x3E0F800;             // the factory-mode disk; 0: the size cannot be told
    std::vector<DiskTransfer> transfers;
    long fail_transfer = -1;  // index into transfers of the one that fails
    std::vector<uint8_t> read_source;
    uint64_t position = 0;
    std::function<void(DiskTransfer&)> after_transfer;
};

// The one disk behind the platform drive functions in the test programs.
extern RecordingDisk recording_disk;

void recording_disk_reset();
