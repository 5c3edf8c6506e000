#include "host_install/system_area_transfers.h"

#include "host_install/system_area_layout.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"

namespace {

void fill_transfer(uint32_t sub_op, uint32_t bank, uint32_t options, uint32_t sdram_addr, uint32_t byte_count,
                   uint32_t row_low, uint32_t row_high, uint32_t wait_flag) {
    fill_flash_op({.sub_op = sub_op,
                   .bank = bank,
                   .options = options,
                   .sdram_addr = sdram_addr,
                   .byte_count = byte_count,
                   .nand_cmd = 0,
                   .row = row_low,
                   .wait_flag = wait_flag,
                   .batch_flag = 1});
    set_command_word(WORD_ROW_HIGH, row_high);
}

}  // namespace

void fill_pair_page_program(uint32_t bank, uint32_t sdram_addr, uint32_t byte_count, uint32_t row,
                            uint32_t wait_flag) {
    fill_transfer(FOP_PROGRAM, bank, PAIR_PAGE_PROGRAM_OPTIONS, sdram_addr, byte_count, row, row, wait_flag);
}

void fill_pair_page_read(uint32_t bank, uint32_t sdram_addr, uint32_t row, uint32_t wait_flag) {
    fill_transfer(FOP_READ, bank, PAIR_PAGE_READ_OPTIONS, sdram_addr, PAIR_PAGE_BYTES, row, row, wait_flag);
}

// Block pages are programmed from the start of the data window, where the
// command's own payload lands.
void fill_block_page_program(uint32_t bank, uint32_t byte_count, uint32_t row_low, uint32_t row_high) {
    fill_transfer(FOP_PROGRAM, bank, BLOCK_PAGE_PROGRAM_OPTIONS, DATA_WINDOW_ADDRESS, byte_count, row_low,
                  row_high, 0);
}

// Read singly and fetched right after.
void fill_block_page_read(uint32_t bank, uint32_t byte_count, uint32_t row_low, uint32_t row_high) {
    fill_transfer(FOP_READ, bank, BLOCK_PAGE_READ_OPTIONS, DATA_WINDOW_ADDRESS, byte_count, row_low, row_high,
                  1);
}
