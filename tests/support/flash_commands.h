// The flash commands a block-zero drive received, reduced to the words that
// say what each moves where, for comparing whole command sequences.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "host_main/factory_commands.h"
#include "support/block_zero_drive.h"

struct FlashCommand {
    uint32_t opcode, sub_op, bank, options, sdram_addr, byte_count, row_low, row_high, wait_flag, batch_flag;
    bool operator==(const FlashCommand&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const FlashCommand& c) {
    return out << std::hex << "{op " << c.opcode << " sub " << c.sub_op << " bank " << c.bank << " opt "
               << c.options << " sdram " << c.sdram_addr << " bytes " << c.byte_count << " rows " << c.row_low
               << "/" << c.row_high << " wait " << c.wait_flag << " batch " << c.batch_flag << "}";
}

// A sync is kept by its opcode only.
inline constexpr FlashCommand SYNC = {CMD_FLASH_SYNC, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A program or read of one pair page (both chips on the same row).
inline FlashCommand pair_page(uint32_t sub_op, uint32_t bank, uint32_t sdram, uint32_t bytes, uint32_t row,
                              uint32_t wait) {
    return {CMD_FLASH_OP, sub_op, bank, sub_op == FOP_PROGRAM ? 0x47u : 7u, sdram, bytes, row, row, wait, 1};
}

// The flash operations and syncs, in the order the drive received them.
inline std::vector<FlashCommand> flash_commands(const BlockZeroDrive& drive) {
    std::vector<FlashCommand> got;
    for (const CommandSector& c : drive.commands) {
        if (c[WORD_OPCODE] == CMD_FLASH_SYNC) {
            got.push_back(SYNC);
        } else if (c[WORD_OPCODE] == CMD_FLASH_OP) {
            got.push_back({c[WORD_OPCODE], c[WORD_SUB_OP], c[WORD_BANK], c[WORD_OPTIONS], c[WORD_SDRAM_ADDR],
                           c[WORD_BYTE_COUNT], c[WORD_ROW_LOW], c[WORD_ROW_HIGH], c[WORD_WAIT_FLAG],
                           c[WORD_BATCH_FLAG]});
        }
    }
    return got;
}
