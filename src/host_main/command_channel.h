// The command channel: everything the tool asks of the drive in factory mode
// travels as plain sectors. Sector 0 is the command sector (writing it
// executes the command); payloads and bulk results use the data window.
#pragma once

#include <cstdint>

inline constexpr uint32_t COMMAND_SECTOR = 0;
inline constexpr uint32_t DATA_WINDOW_SECTOR = 2048;
inline constexpr uint32_t DATA_WINDOW_BYTE = DATA_WINDOW_SECTOR * 512;
inline constexpr uint32_t DRIVE_SDRAM_BASE = 0x40000000;
inline constexpr uint32_t DATA_WINDOW_ADDRESS = DRIVE_SDRAM_BASE + DATA_WINDOW_BYTE;
inline constexpr uint32_t FACTORY_DISK_BYTES = 0x3E0F800;
inline constexpr uint32_t MAX_SECTORS_PER_TRANSFER = 256;

// The source location of the current channel call, printed only when it fails.
extern const char* caller_file;
extern unsigned caller_line;

// Sends the payload (512-aligned, or null) to the data window, then the
// command buffer to sector 0 with a fresh check pair. Returns only on success.
void send_to_device(const void* payload, uint32_t sectors);

// Reads sectors from start_sector into the 512-aligned buffer. Returns only
// on success.
void recv_from_device(uint32_t start_sector, void* buffer, uint32_t sectors);

#define SET_CALLER() (caller_file = __FILE__, caller_line = __LINE__)
#define SEND_TO_DEVICE(payload, sectors) (SET_CALLER(), send_to_device((payload), (sectors)))
#define RECV_FROM_DEVICE(start_sector, buffer, sectors) \
    (SET_CALLER(), recv_from_device((start_sector), (buffer), (sectors)))
