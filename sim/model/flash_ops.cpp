// CMD_FLASH_OP and CMD_FLASH_SYNC. The controller runs operations in the
// order they arrive. One sent with wait_flag 0 is queued and runs, with its
// data and its status byte, at the next sync or when an operation sent with
// wait_flag 1 arrives, which runs after the queue at once (a queued blank
// check completes when its busy word is read after the check's time, or at a
// sync).
#include <algorithm>
#include <cstdio>
#include <string>

#include "model/drive.h"

namespace sim {

namespace {

enum SubOp : uint32_t {
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

constexpr uint32_t PAIRS_PER_CHIP = BLOCKS_PER_CHIP / 2;
constexpr uint32_t ID_RESULT_BYTES = 16;

void refuse(Drive& drive, const FlashOp& op, const char* why) {
    char text[160];
    std::snprintf(text, sizeof text, "flash operation %02X on bank %u: %s", op.sub_op, op.bank, why);
    record_violation(drive, text);
}

bool pair_transfer(const FlashOp& op) {
    return op.options & 1;
}

// Where a program or read lands: the blocks of each chip and the page.
struct PageAddress {
    uint32_t block_low = 0, block_high = 0, page = 0;
};

bool page_address(Drive& drive, const FlashOp& op, PageAddress* at) {
    const uint32_t pages = pages_per_block(drive);
    if (op.row_low % pages != op.row_high % pages) {
        refuse(drive, op, "the two chips' rows name different pages");
        return false;
    }
    const uint32_t units = pair_transfer(op) ? PAIRS_PER_CHIP : BLOCKS_PER_CHIP;
    if (op.row_low / pages >= units || op.row_high / pages >= units) {
        refuse(drive, op, "row beyond the last block");
        return false;
    }
    const uint32_t scale = pair_transfer(op) ? 2 : 1;
    *at = {op.row_low / pages * scale, op.row_high / pages * scale, op.row_low % pages};
    return true;
}

bool data_valid(Drive& drive, const FlashOp& op, uint32_t expected_options) {
    const uint32_t limit = pair_transfer(op) ? PAIR_PAGE_BYTES : BANK_PAGE_BYTES;
    if ((op.options & ~1u) != expected_options) {
        refuse(drive, op, "options not used with this operation");
        return false;
    }
    if (op.byte_count == 0 || op.byte_count > limit) {
        refuse(drive, op, "byte count outside the page");
        return false;
    }
    if (op.sdram_addr != NO_ADDRESS && !sdram_range_valid(op.sdram_addr, op.byte_count)) {
        refuse(drive, op, "SDRAM address outside the SDRAM");
        return false;
    }
    PageAddress ignored;
    return page_address(drive, op, &ignored);
}

bool part_valid(Drive& drive, const FlashOp& op) {
    if (op.options != 0x40 || op.sdram_addr != NO_ADDRESS || op.byte_count != SECTOR) {
        refuse(drive, op, "a raw page part is 512 bytes from the page buffer with options 40");
        return false;
    }
    PageAddress ignored;
    return page_address(drive, op, &ignored);
}

bool op_valid(Drive& drive, const FlashOp& op) {
    switch (op.sub_op) {
        case FOP_PROGRAM:
            return data_valid(drive, op, 0x46);
        case FOP_READ:
            return data_valid(drive, op, 6);
        case FOP_PROGRAM_PART_FIRST:
        case FOP_PROGRAM_PART:
        case FOP_PROGRAM_PART_LAST:
            return part_valid(drive, op);
        case FOP_ERASE:
            if ((op.options & ~0x30u) != 0 || op.row_low % pages_per_block(drive) != 0 ||
                op.row_high % pages_per_block(drive) != 0) {
                refuse(drive, op, "an erase takes the first row of a block and chip-skip options only");
                return false;
            }
            return op.row_low / pages_per_block(drive) < BLOCKS_PER_CHIP &&
                   op.row_high / pages_per_block(drive) < BLOCKS_PER_CHIP;
        case FOP_BLANK_CHECK:
        case FOP_READ_ID:
        case FOP_RESET:
            if (op.options != 0) {
                refuse(drive, op, "options must be 0");
                return false;
            }
            return op.sub_op != FOP_READ_ID || op.byte_count <= PAGE_BUFFER_BYTES;
        default:
            refuse(drive, op, "unknown sub-operation");
            return false;
    }
}

uint8_t* transfer_source(Drive& drive, const FlashOp& op, std::vector<uint8_t>& scratch) {
    if (op.sdram_addr == NO_ADDRESS) {
        return drive.power.page_buffer;
    }
    scratch.resize(op.byte_count);
    sdram_load(drive, op.sdram_addr, scratch.data(), op.byte_count);
    return scratch.data();
}

void deliver(Drive& drive, const FlashOp& op, const uint8_t* data, uint32_t bytes) {
    if (op.sdram_addr == NO_ADDRESS) {
        std::copy_n(data, std::min(bytes, PAGE_BUFFER_BYTES), drive.power.page_buffer);
    } else {
        sdram_store(drive, op.sdram_addr, data, bytes);
    }
}

uint32_t ecc_form(const Drive& drive) {
    return drive.power.big_ecc ? PAGE_BIG_ECC : 0;
}

// A pair transfer covers the bank pages of blocks 2p and 2p + 1 in turn.
uint32_t half_bytes(const FlashOp& op, uint32_t half) {
    const uint32_t start = half * BANK_PAGE_BYTES;
    return op.byte_count > start ? std::min(op.byte_count - start, BANK_PAGE_BYTES) : 0;
}

uint8_t run_program(Drive& drive, const FlashOp& op) {
    std::vector<uint8_t> scratch;
    const uint8_t* data = transfer_source(drive, op, scratch);
    PageAddress at;
    page_address(drive, op, &at);
    ++drive.counters.programs;
    uint8_t status = 0;
    for (uint32_t half = 0; half < (pair_transfer(op) ? 2u : 1u); ++half) {
        count_nand(drive, op.bank, NAND_PAGE_PROGRAM, half_bytes(op, half));
        status |= program_bank_page(drive, op.bank, at.block_low + half, at.block_high + half, at.page,
                                    data + half * BANK_PAGE_BYTES, half_bytes(op, half), ecc_form(drive));
    }
    return status;
}

uint8_t run_read(Drive& drive, const FlashOp& op) {
    PageAddress at;
    page_address(drive, op, &at);
    ++drive.counters.reads;
    std::vector<uint8_t> data(PAIR_PAGE_BYTES);
    bool erased = true;
    uint8_t errors = 0;
    for (uint32_t half = 0; half < (pair_transfer(op) ? 2u : 1u); ++half) {
        count_nand(drive, op.bank, NAND_PAGE_READ, half_bytes(op, half));
        const uint8_t status =
            read_bank_page(drive, op.bank, at.block_low + half, at.block_high + half, at.page,
                           data.data() + half * BANK_PAGE_BYTES, std::max(half_bytes(op, half), 1u));
        erased = erased && status == STATUS_ERASED;
        errors |= status & ~STATUS_ERASED;
    }
    deliver(drive, op, data.data(), op.byte_count);
    return erased ? STATUS_ERASED : errors;
}

uint8_t run_erase(Drive& drive, const FlashOp& op) {
    ++drive.counters.erases;
    count_nand(drive, op.bank, NAND_BLOCK_ERASE, 0);
    const uint32_t blocks[2] = {op.row_low / pages_per_block(drive), op.row_high / pages_per_block(drive)};
    const uint32_t skip[2] = {0x10, 0x20};
    const uint8_t failed[2] = {STATUS_LOW_FAILED, STATUS_HIGH_FAILED};
    uint8_t status = 0;
    for (uint32_t chip = 0; chip < 2; ++chip) {
        if (!(op.options & skip[chip]) && !erase_chip_block(drive, op.bank, chip, blocks[chip])) {
            status |= failed[chip];
        }
    }
    return status;
}

void run_read_id(Drive& drive, const FlashOp& op) {
    uint8_t result[ID_RESULT_BYTES];
    std::fill_n(result, ID_RESULT_BYTES, 0xFF);
    const BankPosition& position = drive.banks[op.bank];
    for (uint32_t j = 0; position.present && j < ID_BYTES; ++j) {
        result[2 * j] = position.chips[LOW].id[j];
        result[2 * j + 1] = position.chips[HIGH].id[j];
    }
    deliver(drive, op, result, std::min(op.byte_count, ID_RESULT_BYTES));
}

uint8_t run_raw_part(Drive& drive, const FlashOp& op) {
    RawPageAssembly& raw = drive.power.raw;
    if (op.sub_op == FOP_PROGRAM_PART_FIRST) {
        if (raw.open) {
            refuse(drive, op, "a raw page begun again before its last part");
        }
        raw.open = true;
        raw.bank = op.bank;
        raw.row_low = op.row_low;
        raw.row_high = op.row_high;
        raw.bytes = 0;
    } else if (!raw.open || raw.bank != op.bank || raw.row_low != op.row_low || raw.row_high != op.row_high) {
        refuse(drive, op, "raw page part without its first part on this page");
        return drive.power.status[op.bank];
    }
    if (raw.bytes + SECTOR > BANK_PAGE_BYTES) {
        refuse(drive, op, "raw page longer than a bank page");
        raw.open = false;
        return drive.power.status[op.bank];
    }
    std::copy_n(drive.power.page_buffer, SECTOR, raw.data + raw.bytes);
    raw.bytes += SECTOR;
    if (op.sub_op != FOP_PROGRAM_PART_LAST) {
        return 0;
    }
    raw.open = false;
    PageAddress at;
    page_address(drive, op, &at);
    ++drive.counters.programs;
    count_nand(drive, op.bank, NAND_PAGE_PROGRAM, raw.bytes);
    return program_bank_page(drive, op.bank, at.block_low, at.block_high, at.page, raw.data, raw.bytes,
                             PAGE_RAW | ecc_form(drive));
}

void run(Drive& drive, const FlashOp& op) {
    uint8_t& status = drive.power.status[op.bank];
    switch (op.sub_op) {
        case FOP_PROGRAM:
            status = run_program(drive, op);
            break;
        case FOP_READ:
            status = run_read(drive, op);
            break;
        case FOP_ERASE:
            status = run_erase(drive, op);
            break;
        case FOP_READ_ID:
            count_nand(drive, op.bank, NAND_READ_ID, 0);
            run_read_id(drive, op);
            status = 0;
            break;
        case FOP_RESET:
            count_nand(drive, op.bank, NAND_RESET, 0);
            drive.power.bank_reset[op.bank] = true;
            status = 0;
            break;
        case FOP_BLANK_CHECK:
            count_nand(drive, op.bank, NAND_BLANK_CHECK, 0);
            status = bank_holds_data(drive, op.bank) ? STATUS_NOT_BLANK : 0;
            break;
        default:
            status = run_raw_part(drive, op);
    }
}

bool may_run(Drive& drive, const FlashOp& op) {
    if (op.bank >= BANK_POSITIONS) {
        refuse(drive, op, "no such bank position");
        return false;
    }
    if (!drive.power.controller_reset) {
        refuse(drive, op, "before the flash controller reset");
        return false;
    }
    if (op.sub_op == FOP_RESET) {
        return op_valid(drive, op);
    }
    if (!drive.power.bank_reset[op.bank]) {
        refuse(drive, op, "before the bank's reset");
        return false;
    }
    if (op.sub_op != FOP_READ_ID && !drive.banks[op.bank].present) {
        refuse(drive, op, "the position holds no flash");
        return false;
    }
    return op_valid(drive, op);
}

void run_queue(Drive& drive) {
    std::vector<FlashOp> queue;
    queue.swap(drive.power.queue);
    for (const FlashOp& op : queue) {
        run(drive, op);
    }
}

}  // namespace

void execute_flash_op(Drive& drive, const FlashOp& op, bool wait) {
    ++drive.counters.flash_ops;
    if (!may_run(drive, op)) {
        return;
    }
    if (wait) {
        run_queue(drive);
        run(drive, op);
        end_nand_batch(drive);
    } else if (op.sub_op == FOP_BLANK_CHECK) {
        const bool hung = fault_fires(drive, FaultKind::blank_check_hang,
                                      {.bank = static_cast<int32_t>(op.bank)}) != nullptr;
        drive.power.blank_checks.push_back({op.bank, drive.power.now_ms + BLANK_CHECK_MS, hung});
    } else {
        drive.power.queue.push_back(op);
    }
}

void complete_blank_checks(Drive& drive, bool all_due) {
    std::erase_if(drive.power.blank_checks, [&](const PendingBlankCheck& check) {
        if (check.hung || (!all_due && drive.power.now_ms < check.due_ms)) {
            return false;
        }
        count_nand(drive, check.bank, NAND_BLANK_CHECK, 0);
        drive.power.status[check.bank] = bank_holds_data(drive, check.bank) ? STATUS_NOT_BLANK : 0;
        return true;
    });
    end_nand_batch(drive);
}

void flash_sync(Drive& drive) {
    ++drive.counters.syncs;
    run_queue(drive);
    complete_blank_checks(drive, true);
}

}  // namespace sim
