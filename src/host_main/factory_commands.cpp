#include "host_main/factory_commands.h"

#include <bit>

#include "run_state/work_block.h"
#include "little_endian.h"
#include "selected_build.h"

void set_command_word(unsigned word, uint32_t value) {
    store_le32(work->command + 4 * word, value);
}

uint32_t command_word(unsigned word) {
    return load_le32(work->command + 4 * word);
}

void fill_flash_op(const FlashOperation& operation) {
    set_command_word(WORD_OPCODE, CMD_FLASH_OP);
    set_command_word(WORD_SUB_OP, operation.sub_op);
    set_command_word(WORD_BANK, operation.bank);
    set_command_word(WORD_OPTIONS, operation.options);
    set_command_word(WORD_SDRAM_ADDR, operation.sdram_addr);
    set_command_word(WORD_BYTE_COUNT, operation.byte_count);
    set_command_word(WORD_NAND_CMD, operation.nand_cmd);
    set_command_word(WORD_ROW_LOW, operation.row);
    set_command_word(WORD_ROW_HIGH, operation.row);
    set_command_word(WORD_WAIT_FLAG, operation.wait_flag);
    set_command_word(WORD_BATCH_FLAG, operation.batch_flag);
}

void fill_nand_reset(uint32_t bank) {
    set_command_word(WORD_OPCODE, CMD_FLASH_OP);
    set_command_word(WORD_SUB_OP, FOP_RESET);
    set_command_word(WORD_BANK, bank);
    set_command_word(WORD_NAND_CMD, NAND_RESET_COMMAND);
    set_command_word(WORD_OPTIONS, 0);
    set_command_word(WORD_WAIT_FLAG, 1);
    set_command_word(WORD_BATCH_FLAG, 1);
}

void fill_flash_erase(uint32_t bank, uint32_t row, uint32_t chip_skip, uint32_t wait_flag) {
    set_command_word(WORD_OPCODE, CMD_FLASH_OP);
    set_command_word(WORD_SUB_OP, FOP_ERASE);
    set_command_word(WORD_BANK, bank);
    set_command_word(WORD_ROW_LOW, row);
    set_command_word(WORD_ROW_HIGH, row);
    set_command_word(WORD_OPTIONS, chip_skip);
    set_command_word(WORD_NAND_CMD, 0);
    set_command_word(WORD_WAIT_FLAG, wait_flag);
}

void fill_flash_sync() {
    set_command_word(WORD_OPCODE, CMD_FLASH_SYNC);
}

void fill_buffer_copy(uint32_t source, uint32_t destination, uint32_t bytes) {
    set_command_word(WORD_OPCODE, CMD_BUFFER_COPY);
    set_command_word(WORD_SUB_OP, 1);
    set_command_word(WORD_COPY_SRC, source);
    set_command_word(WORD_COPY_DST, destination);
    set_command_word(WORD_COPY_LEN, bytes);
}

void fill_run_program(uint32_t load_address, uint32_t program_bytes) {
    set_command_word(WORD_OPCODE, CMD_RUN_PROGRAM);
    set_command_word(WORD_SDRAM_ADDR, load_address);
    set_command_word(WORD_BYTE_COUNT, program_bytes);
}

void fill_reset_flash_ctrl(uint32_t ctrl_config) {
    set_command_word(WORD_OPCODE, CMD_RESET_FLASH_CTRL);
    set_command_word(WORD_CTRL_CONFIG, ctrl_config);
    set_command_word(WORD_CTRL_CONFIG2, CTRL_CONFIG2_VALUE);
    set_command_word(WORD_CTRL_CONFIG3, BUILD_FLASH_IF_WORD);
}

void fill_scan_initial_bad(uint32_t bank_map, uint32_t pages_per_block) {
    set_command_word(WORD_OPCODE, CMD_SCAN_INITIAL_BAD);
    set_command_word(WORD_BYTE_COUNT, 4);
    set_command_word(WORD_NAND_CMD, 0x1000);
    set_command_word(WORD_BANK_MAP, bank_map);
    set_command_word(WORD_SCAN_PAGES, pages_per_block);
    set_command_word(WORD_SCAN_PAGES_LOG2, static_cast<uint32_t>(std::countr_zero(pages_per_block)));
    set_command_word(WORD_SCAN_WORD21, 0x2000);
    set_command_word(WORD_SCAN_WORD22, 1);
}

void fill_read_reg(uint32_t address) {
    set_command_word(WORD_OPCODE, CMD_READ_REG);
    set_command_word(WORD_REG_ADDR, address);
}

void fill_write_reg(uint32_t address, uint32_t value) {
    set_command_word(WORD_OPCODE, CMD_WRITE_REG);
    set_command_word(WORD_REG_ADDR, address);
    set_command_word(WORD_REG_VALUE, value);
}

void fill_reset_device() {
    set_command_word(WORD_OPCODE, CMD_RESET_DEVICE);
}

void fill_data_only() {
    set_command_word(WORD_OPCODE, CMD_DATA_ONLY);
}
