#include "platform/station_disk_rule.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform {

namespace {

constexpr const char* DEVICE_PREFIXES[] = {"\\\\.\\", "\\\\?\\"};
constexpr char DRIVE_NAME[] = "PHYSICALDRIVE";

const char* after_device_prefix(const char* path) {
    for (const char* prefix : DEVICE_PREFIXES) {
        if (std::strncmp(path, prefix, std::strlen(prefix)) == 0) {
            return path + std::strlen(prefix);
        }
    }
    return nullptr;
}

const char* after_drive_name(const char* name) {
    for (const char* expected = DRIVE_NAME; *expected != '\0'; ++expected, ++name) {
        if (std::toupper(static_cast<unsigned char>(*name)) != *expected) {
            return nullptr;
        }
    }
    return name;
}

// Decimal digits to the end of the text, within 32 bits.
std::optional<uint32_t> whole_number(const char* digits) {
    if (*digits == '\0') {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (; *digits != '\0'; ++digits) {
        if (*digits < '0' || *digits > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(*digits - '0');
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<uint32_t> physical_drive_number(const char* drive_path) {
    const char* name = after_device_prefix(drive_path);
    const char* number = name != nullptr ? after_drive_name(name) : nullptr;
    return number != nullptr ? whole_number(number) : std::nullopt;
}

std::optional<uint32_t> disk_to_check(const char* drive_path, std::optional<uint32_t> answered_disk) {
    const std::optional<uint32_t> named_disk = physical_drive_number(drive_path);
    if (!named_disk) {
        return std::nullopt;
    }
    return answered_disk ? answered_disk : named_disk;
}

bool volume_lies_on_disk(std::optional<uint32_t> device_disk, std::span<const uint32_t> extent_disks,
                         uint32_t disk) {
    return device_disk == disk ||
           std::find(extent_disks.begin(), extent_disks.end(), disk) != extent_disks.end();
}

}  // namespace platform
