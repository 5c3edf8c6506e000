#include "host_install/install_bb_lists.h"

#include <cstdio>
#include <cstring>

#include "block_zero.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/runtime_bb_list.h"
#include "host_install/block_zero_options.h"
#include "host_install/dump_file.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"

namespace {

// All 32 tables of one kind travel as one stream, bank position 0 first.
constexpr uint32_t TABLES_BYTES = BANK_POSITIONS * BB_LIST_BYTES;
constexpr uint32_t TABLES_SECTORS = TABLES_BYTES / SECTOR_BYTES;

uint8_t* source_tables(int which) {
    if (which == BB_LISTS_INITIAL) {
        return &work->initial_bb_list[0][0];
    }
    for (uint8_t* table : work->runtime_bb_list) {
        set_runtime_bb_magic(table);
    }
    return &work->runtime_bb_list[0][0];
}

// The table of bank position b lies in the data window at b * 8192.
void queue_table_operation(uint32_t sub_op, uint32_t options, uint32_t bank, uint32_t page) {
    const uint32_t table_address = DATA_WINDOW_ADDRESS + BB_LIST_BYTES * bank;
    fill_flash_op(
        {sub_op, bank, options, table_address, BB_LIST_BYTES, 0, page_row(SYSTEM_BLOCK, page), 0, 1});
    SEND_TO_DEVICE(nullptr, 0);
}

void program_and_read_back(uint32_t page) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            queue_table_operation(FOP_PROGRAM, BLOCK_ZERO_PROGRAM_OPTIONS, bank, page);
        }
    }
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            queue_table_operation(FOP_READ, BLOCK_ZERO_READ_OPTIONS, bank, page);
        }
    }
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
}

}  // namespace

int install_bb_lists(int which) {
    uint8_t* read_back = ALLOCATE_TRANSFER_BUFFER(TABLES_BYTES);
    clear_log_buffer();
    put_to_log_buffer("Install bad block list\n");

    const uint8_t* tables = source_tables(which);
    fill_data_only();
    SEND_TO_DEVICE(tables, TABLES_SECTORS);
    program_and_read_back(which == BB_LISTS_INITIAL ? SCAN_LIST_PAGE : RUNTIME_LIST_PAGE);
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, read_back, TABLES_SECTORS);

    // Positions the build does not expect still hold the stream just sent.
    int result = 1;
    if (std::memcmp(read_back, tables, TABLES_BYTES) != 0) {
        std::printf("\nERROR: data corruption. see good.bin and bad.bin\n");
        put_to_log_buffer("Data corruption. see good.bin and bad.bin\n");
        remove_earlier_dumps();
        write_dump_file("good.bin", tables, TABLES_BYTES);
        write_dump_file("bad.bin", read_back, TABLES_BYTES);
        result = 0;
    }
    release_transfer_buffer(read_back);
    return result;
}
