#include "support/doubles/recording_disk.h"

#include <algorithm>
#include <cstring>

#include "platform/disk.h"

RecordingDisk recording_disk;

namespace {

void answer(DiskTransfer& transfer) {
    if (recording_disk.after_transfer) {
        recording_disk.after_transfer(transfer);
    }
}

bool this_transfer_fails() {
    return static_cast<long>(recording_disk.transfers.size()) - 1 == recording_disk.fail_transfer;
}

}  // namespace

void recording_disk_reset() {
    recording_disk = RecordingDisk{};
}

namespace platform {

DiskHandle disk_open(const char* drive_path) {
    recording_disk.opened_paths.emplace_back(drive_path);
    return recording_disk.open_answer;
}

bool disk_size(DiskHandle, uint64_t* bytes) {
    *bytes = recording_disk.size;
    return recording_disk.size != 0;
}

bool disk_set_position(DiskHandle, uint64_t byte_offset) {
    recording_disk.position = byte_offset;
    return true;
}

bool disk_read(DiskHandle, void* buffer, uint32_t bytes) {
    auto* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, bytes);
    const std::vector<uint8_t>& source = recording_disk.read_source;
    if (recording_disk.position < source.size()) {
        const size_t available = std::min<size_t>(bytes, source.size() - recording_disk.position);
        std::memcpy(out, source.data() + recording_disk.position, available);
    }
    recording_disk.transfers.push_back({false, recording_disk.position, bytes, {out, out + bytes}});
    recording_disk.position += bytes;
    const bool fails = this_transfer_fails();
    answer(recording_disk.transfers.back());
    return !fails;
}

bool disk_write(DiskHandle, const void* buffer, uint32_t bytes) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    recording_disk.transfers.push_back({true, recording_disk.position, bytes, {in, in + bytes}});
    recording_disk.position += bytes;
    const bool fails = this_transfer_fails();
    answer(recording_disk.transfers.back());
    return !fails;
}

void disk_close(DiskHandle) {}

}  // namespace platform
