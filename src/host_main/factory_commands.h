// The factory command set: the layout of the 512-byte command sector and one
// way to fill each command. Callers set only the words of their command;
// every other word keeps what earlier commands left in the buffer.
#pragma once

#include <cstdint>

enum CommandWord : unsigned {
    WORD_OPCODE = 0,
    WORD_SUB_OP = 1,
    WORD_CHECK = 2,
    WORD_BANK = 3,
    WORD_OPTIONS = 4,
    WORD_SDRAM_ADDR = 5,
    WORD_BYTE_COUNT = 6,
    WORD_NAND_CMD = 7,
    WORD_ROW_LOW = 8,
    WORD_ROW_HIGH = 9,
    WORD_WAIT_FLAG = 13,
    WORD_CTRL_CONFIG = 14,
    WORD_CTRL_CONFIG2 = 15,
    WORD_CTRL_CONFIG3 = 16,
    WORD_BANK_MAP = 18,
    WORD_SCAN_PAGES = 19,
    WORD_SCAN_PAGES_LOG2 = 20,
    WORD_SCAN_WORD21 = 21,
    WORD_SCAN_WORD22 = 22,
    WORD_COPY_SRC = 23,
    WORD_COPY_DST = 24,
    WORD_COPY_LEN = 26,
    WORD_REG_ADDR = 27,
    WORD_REG_VALUE = 28,
    WORD_CHECK_NEG = 29,
    WORD_BATCH_FLAG = 37,
};

inline constexpr unsigned COMMAND_WORDS = 128;

enum Opcode : uint32_t {
    CMD_FLASH_SYNC = 0x01,
    CMD_FLASH_OP = 0x02,
    CMD_BUFFER_COPY = 0x03,
    CMD_RUN_PROGRAM = 0x04,
    CMD_RESET_FLASH_CTRL = 0x07,
    CMD_SCAN_INITIAL_BAD = 0x08,
    CMD_ENABLE_FACTORY_MODE = 0x0B,
    CMD_READ_REG = 0x10,
    CMD_WRITE_REG = 0x11,
    CMD_RESET_DEVICE = 0x12,
    CMD_DATA_ONLY = 0xF0,
};

enum FlashSubOp : uint32_t {
    FOP_PROGRAM = 0x01,
    FOP_PROGRAM_PART_FIRST = 0x02,
    FOP_PROGRAM_PART = 0x03,
    FOP_PROGRAM_PART_LAST = 0x04,
    FOP_READ = 0x0A,
    FOP_BLANK_CHECK = 0x0D,
    FOP_READ_ID = 0x10,
    FOP_ERASE = 0x14,
    FOP_RESET = 0x15,
};

// Drive SDRAM address meaning "the flash controller's page buffer".
inline constexpr uint32_t CONTROLLER_BUFFER = 0xFFFFFFFF;
inline constexpr uint32_t CTRL_CONFIG2_VALUE = 0x55FFFFFF;
// The NAND command byte of a chip reset.
inline constexpr uint32_t NAND_RESET_COMMAND = 0xFF;
// Erase options: leave the low chip, leave the high chip alone.
inline constexpr uint32_t ERASE_SKIP_LOW_CHIP = 0x10;
inline constexpr uint32_t ERASE_SKIP_HIGH_CHIP = 0x20;

// Drive registers.
inline constexpr uint32_t REG_BLANK_CHECK_BUSY = 0x600007A4;
inline constexpr uint32_t REG_BLANK_CHECK_GIVE_UP = 0x6000000C;
inline constexpr uint32_t REG_BANK_STATUS = 0x60000760;  // + 4i, four banks a word

void set_command_word(unsigned word, uint32_t value);
uint32_t command_word(unsigned word);

// One flash operation. The same row goes to the low and the high chip.
struct FlashOperation {
    uint32_t sub_op;
    uint32_t bank;
    uint32_t options;
    uint32_t sdram_addr;
    uint32_t byte_count;
    uint32_t nand_cmd;
    uint32_t row;
    uint32_t wait_flag;
    uint32_t batch_flag;
};

void fill_flash_op(const FlashOperation& operation);
// FOP_RESET of one bank's chips: sets only the words a NAND reset uses.
void fill_nand_reset(uint32_t bank);
// FOP_ERASE of one block in both chips of a bank, except the chips whose skip
// bit is in chip_skip; sets only the words an erase uses (batch_flag is the
// caller's).
void fill_flash_erase(uint32_t bank, uint32_t row, uint32_t chip_skip, uint32_t wait_flag);
void fill_flash_sync();
void fill_buffer_copy(uint32_t source, uint32_t destination, uint32_t bytes);
void fill_run_program(uint32_t load_address, uint32_t program_bytes);
void fill_reset_flash_ctrl(uint32_t ctrl_config);
void fill_scan_initial_bad(uint32_t bank_map, uint32_t pages_per_block);
void fill_read_reg(uint32_t address);
void fill_write_reg(uint32_t address, uint32_t value);
void fill_reset_device();
void fill_data_only();
