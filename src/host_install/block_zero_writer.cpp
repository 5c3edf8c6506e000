#include "host_install/block_zero_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "block_zero.h"
#include "codec/page_codec.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_install/block_zero_options.h"
#include "host_install/debug_assertion.h"
#include "host_install/dump_file.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "selected_build.h"

namespace {

constexpr uint32_t PART_BYTES = 512;

struct PageRun {
    uint32_t first_page;
    uint32_t page_count;
    uint32_t page_slot;
    uint32_t total;
};

// Where slot k of the run lies in the drive's data window.
uint32_t slot_address(const PageRun& run, uint32_t slot) {
    return DATA_WINDOW_ADDRESS + slot * run.page_slot;
}

uint32_t slot_row(const PageRun& run, uint32_t slot) {
    return page_row(SYSTEM_BLOCK, run.first_page + slot);
}

// The tool's runs are whole sectors, and every bank's read-back of the run
// fits the data window together.
bool run_is_sound(const PageRun& run, int encoded) {
    const uint64_t read_back_bytes = uint64_t{BUILD_NUM_BANKS} * run.page_count * run.page_slot;
    const bool slot_holds_encoded_page = !encoded || run.page_slot >= ENCODED_PAGE_BYTES;
    return run.total != 0 && run.page_slot % PART_BYTES == 0 && slot_holds_encoded_page &&
           DATA_WINDOW_BYTE + read_back_bytes <= FACTORY_DISK_BYTES;
}

uint8_t* copy_into_blank_pages(const uint8_t* source, uint32_t total, uint32_t length) {
    uint8_t* pages = ALLOCATE_TRANSFER_BUFFER(total);
    std::memset(pages, 0xFF, total);
    std::memcpy(pages, source, std::min(length, total));
    return pages;
}

// A bank reads an encoded page back through its error correction: the 256
// scrambled data words of each of the four sectors, without check and parity
// words, and 0xFF for the rest of the slot.
uint8_t* expected_encoded_read_back(const uint8_t* slots, const PageRun& run) {
    uint8_t* expected = ALLOCATE_TRANSFER_BUFFER(run.total);
    std::memset(expected, 0xFF, run.total);
    for (uint32_t slot = 0; slot < run.page_count; ++slot) {
        const uint8_t* encoded_page = slots + slot * run.page_slot;
        uint8_t* data = expected + slot * run.page_slot;
        for (int sector = 0; sector < SECTORS_PER_PAGE; ++sector) {
            std::memcpy(data + sector * SECTOR_BYTES, encoded_page + sector * ENCODED_SECTOR_BYTES,
                        SECTOR_BYTES);
        }
    }
    return expected;
}

void sync_flash() {
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
}

void program_plain(const PageRun& run) {
    for (uint32_t slot = 0; slot < run.page_count; ++slot) {
        for (const uint8_t bank : BUILD_BANK_TABLE) {
            fill_flash_op({FOP_PROGRAM, bank, BLOCK_ZERO_PROGRAM_OPTIONS, slot_address(run, slot),
                           run.page_slot, 0, slot_row(run, slot), 0, 1});
            SEND_TO_DEVICE(nullptr, 0);
        }
    }
    sync_flash();
}

uint32_t part_sub_op(uint32_t part, uint32_t parts) {
    if (part == 0) {
        return FOP_PROGRAM_PART_FIRST;
    }
    return part + 1 == parts ? FOP_PROGRAM_PART_LAST : FOP_PROGRAM_PART;
}

// Each 512-byte part of the slot goes to the controller's page buffer and is
// programmed from there; the page is complete with its last part.
void program_encoded_page(const PageRun& run, uint32_t slot, uint8_t bank) {
    const uint32_t parts = run.page_slot / PART_BYTES;
    for (uint32_t part = 0; part < parts; ++part) {
        fill_buffer_copy(slot_address(run, slot) + part * PART_BYTES, CONTROLLER_BUFFER, PART_BYTES);
        SEND_TO_DEVICE(nullptr, 0);
        fill_flash_op({part_sub_op(part, parts), bank, RAW_PART_PROGRAM_OPTIONS, CONTROLLER_BUFFER,
                       PART_BYTES, 0, slot_row(run, slot), 1, 1});
        SEND_TO_DEVICE(nullptr, 0);
    }
    sync_flash();
}

void program_encoded(const PageRun& run) {
    for (uint32_t slot = 0; slot < run.page_count; ++slot) {
        for (const uint8_t bank : BUILD_BANK_TABLE) {
            program_encoded_page(run, slot, bank);
        }
    }
}

// Bank index i's copy of the run lands at i * total in the data window.
void read_back_all_banks(const PageRun& run, uint8_t* read_back) {
    for (uint32_t slot = 0; slot < run.page_count; ++slot) {
        for (uint32_t bank_index = 0; bank_index < BUILD_NUM_BANKS; ++bank_index) {
            const uint32_t address = slot_address(run, slot) + bank_index * run.total;
            fill_flash_op({FOP_READ, BUILD_BANK_TABLE[bank_index], BLOCK_ZERO_READ_OPTIONS, address,
                           run.page_slot, 0, slot_row(run, slot), 0, 1});
            SEND_TO_DEVICE(nullptr, 0);
        }
    }
    sync_flash();
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, read_back, BUILD_NUM_BANKS * run.total / SECTOR_BYTES);
}

// The first corrupt bank of the write removes the dumps of earlier runs.
void report_corrupt_bank(uint32_t bank, const uint8_t* expected, const uint8_t* read_back, uint32_t total,
                         bool first) {
    std::printf("\nERROR: data corruption. see good.bin and bad.bin\n" BANK_AFTER_MESSAGE_LINE,
                BANK_NAME_ARGS(bank));
    put_to_log_buffer("Data corruption. see good.bin and bad.bin\n" BANK_AFTER_MESSAGE_LINE,
                      BANK_NAME_ARGS(bank));
    if (first) {
        remove_earlier_dumps();
    }
    char bad_name[16];
    std::snprintf(bad_name, sizeof bad_name, "bad%u.bin", bank);
    write_dump_file("good.bin", expected, total);
    write_dump_file(bad_name, read_back, total);
}

}  // namespace

int write_block_zero_pages(const uint8_t* source, uint32_t first_page, uint32_t page_count,
                           uint32_t page_slot, int encoded, int copy, uint32_t length) {
    const PageRun run{first_page, page_count, page_slot, page_count * page_slot};
    DEBUG_ASSERT(run_is_sound(run, encoded));
    clear_log_buffer();
    put_to_log_buffer("Write to block zero\n");

    const bool copied = copy == 1;
    const uint8_t* data = copied ? copy_into_blank_pages(source, run.total, length) : source;
    const uint8_t* expected = encoded ? expected_encoded_read_back(data, run) : data;

    fill_data_only();
    SEND_TO_DEVICE(data, run.total / SECTOR_BYTES);
    if (encoded) {
        program_encoded(run);
    } else {
        program_plain(run);
    }
    uint8_t* read_back = ALLOCATE_TRANSFER_BUFFER(BUILD_NUM_BANKS * run.total);
    read_back_all_banks(run, read_back);

    int result = 1;
    for (uint32_t bank_index = 0; bank_index < BUILD_NUM_BANKS; ++bank_index) {
        const uint8_t* bank_copy = read_back + bank_index * run.total;
        if (std::memcmp(bank_copy, expected, run.total) != 0) {
            report_corrupt_bank(BUILD_BANK_TABLE[bank_index], expected, bank_copy, run.total, result == 1);
            result = 0;
        }
    }
    release_transfer_buffer(read_back);
    if (encoded) {
        release_transfer_buffer(const_cast<uint8_t*>(expected));
    }
    if (copied) {
        release_transfer_buffer(const_cast<uint8_t*>(data));
    }
    return result;
}
