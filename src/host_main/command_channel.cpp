#include "host_main/command_channel.h"

#include <cstdint>
#include <cstdio>

#include "codec/random.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"
#include "platform/clock.h"
#include "platform/disk.h"

const char* caller_file = "";
unsigned caller_line = 0;

namespace {

// A payload of this many sectors or more is refused before anything is sent
// (2048 + the count must stay below 0x3E0F800).
constexpr uint32_t PAYLOAD_SECTOR_LIMIT = 0x3E0F000;

bool is_sector_aligned(const void* buffer) {
    return reinterpret_cast<uintptr_t>(buffer) % SECTOR_BYTES == 0;
}

void print_caller() {
    std::printf("caller = %s %u\n", caller_file, caller_line);
}

void write_payload(const uint8_t* payload, uint32_t sectors) {
    platform::disk_set_position(work->drive, DATA_WINDOW_BYTE);
    while (sectors > 0) {
        const uint32_t chunk = sectors < MAX_SECTORS_PER_TRANSFER ? sectors : MAX_SECTORS_PER_TRANSFER;
        if (!platform::disk_write(work->drive, payload, chunk * SECTOR_BYTES)) {
            std::printf("ERROR: no response from drive\t\t\n");
            std::printf("caller = %s %u\nsect_cnt = %u\n", caller_file, caller_line, chunk);
            put_to_log_buffer("Sent to device : No response from drive\n");
            station_log_flush();
            FATAL_ERROR();
        }
        payload += chunk * SECTOR_BYTES;
        sectors -= chunk;
    }
}

// Word 2 and word 29 add up to zero; the drive refuses a command whose pair
// does not.
void set_check_pair() {
    random_init(static_cast<uint32_t>(platform::calendar_seconds()));
    const uint32_t check = static_cast<uint32_t>(random_range(0, 0x7FFFFFFE));
    set_command_word(WORD_CHECK, check);
    set_command_word(WORD_CHECK_NEG, 0u - check);
}

}  // namespace

void send_to_device(const void* payload, uint32_t sectors) {
    if (!is_sector_aligned(payload)) {
        std::printf("ERROR: buffer address is not aligned\n");
        print_caller();
        put_to_log_buffer("Sent to device : Buffer address is not aligned");
        station_log_flush();
        FATAL_ERROR();
    }
    if (payload != nullptr) {
        if (sectors == 0) {
            print_caller();
            put_to_log_buffer("Sent to device : Sector count is 0\n");
            station_log_flush();
            FATAL_ERROR();
        }
        if (sectors >= PAYLOAD_SECTOR_LIMIT) {
            std::printf("ERROR: sect_cnt is too large\n");
            std::printf("caller = %s %u\nsect_cnt = %u\n", caller_file, caller_line, sectors);
            put_to_log_buffer("Sent to device : Sector count is too large\n");
            station_log_flush();
            FATAL_ERROR();
        }
        write_payload(static_cast<const uint8_t*>(payload), sectors);
    }
    set_check_pair();
    platform::disk_set_position(work->drive, 0);
    if (!platform::disk_write(work->drive, work->command, SECTOR_BYTES)) {
        std::printf("ERROR: no response from drive\t\t\n");
        print_caller();
        put_to_log_buffer("Sent to device : No response from drive\n");
        station_log_flush();
        FATAL_ERROR();
    }
}

void recv_from_device(uint32_t start_sector, void* buffer, uint32_t sectors) {
    if (!is_sector_aligned(buffer)) {
        std::printf("ERROR: buffer address is not aligned\n");
        print_caller();
        put_to_log_buffer("Recv from device : Buffer address is not aligned\n");
        station_log_flush();
        FATAL_ERROR();
    }
    platform::disk_set_position(work->drive, static_cast<uint64_t>(start_sector) * SECTOR_BYTES);
    auto* destination = static_cast<uint8_t*>(buffer);
    while (sectors > 0) {
        const uint32_t chunk = sectors < MAX_SECTORS_PER_TRANSFER ? sectors : MAX_SECTORS_PER_TRANSFER;
        if (!platform::disk_read(work->drive, destination, chunk * SECTOR_BYTES)) {
            std::printf("\nERROR: no response from drive\t\t\n");
            print_caller();
            put_to_log_buffer("Recv from device : No response from drive\n");
            station_log_flush();
            FATAL_ERROR();
        }
        destination += chunk * SECTOR_BYTES;
        sectors -= chunk;
    }
}
