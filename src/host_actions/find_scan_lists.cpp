#include <cstdio>
#include <cstring>

#include "block_zero.h"
#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bb_event_record.h"
#include "host_actions/block_zero_page.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "host_main/console.h"
#include "run_state/work_block.h"

namespace {

alignas(SECTOR_BYTES) uint8_t page_buffer[BANK_PAGE_BYTES];

void report_corrupted_list(const char* what, uint32_t bank, bool verbose) {
    set_error_colour();
    if (verbose) {
        std::printf("ERROR: %s corrupted (or unknown type of data found) on ", what);
        std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    }
    restore_colour();
}

// False when the stored scan list cannot be used. A blank page leaves the
// bank's initial list as it is. A count larger than a list has room for is
// data of some other kind.
bool load_scan_list(uint32_t bank, bool verbose) {
    switch (read_block_zero_page(bank, SCAN_LIST_PAGE, BANK_PAGE_BYTES, page_buffer)) {
        case BLOCK_ZERO_READ:
            if (!initial_bb_count_fits(page_buffer)) {
                break;
            }
            if (verbose) {
                std::printf("scan list found on ");
                std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
            }
            std::memcpy(work->initial_bb_list[bank], page_buffer, BB_LIST_BYTES);
            work->scan_list_found[bank] = 1;
            return true;
        case BLOCK_ZERO_READ_ERROR:
            break;
        default:
            return true;
    }
    report_corrupted_list("scan list", bank, verbose);
    return false;
}

// The entries a stored list holds; a count beyond the page's room stands
// for the entries the page has. False when the page reads uncorrectable: the
// bank's grown bad blocks are lost with it.
bool merge_stored_runtime_list(uint32_t bank, bool verbose) {
    const BlockZeroRead read = read_block_zero_page(bank, RUNTIME_LIST_PAGE, BANK_PAGE_BYTES, page_buffer);
    if (read == BLOCK_ZERO_READ_ERROR) {
        report_corrupted_list("runtime bad block list", bank, verbose);
        return false;
    }
    if (read != BLOCK_ZERO_READ || !runtime_bb_has_magic(page_buffer)) {
        return true;
    }
    const uint32_t count = runtime_bb_count(page_buffer);
    for (uint32_t i = 0; i < count; ++i) {
        const RuntimeBbEntry entry = runtime_bb_entry(page_buffer, i);
        add_runtime_bad_block(bank, entry.chip_mask, entry.bb_type, entry.block);
    }
    return true;
}

void add_record_block(uint32_t bank, const RuntimeBbEntry& entry, uint32_t block) {
    add_runtime_bad_block(bank, entry.chip_mask, entry.bb_type, static_cast<uint16_t>(block));
}

// A record of a pair names the pair's blocks: an adjacent pair by its pair
// number, a pair 2048 apart by one of its blocks.
void add_record_blocks(uint32_t bank, const BbEventRecord& record) {
    const RuntimeBbEntry& entry = record.entry;
    const uint32_t n = entry.block;
    switch (record.kind) {
        case BB_RECORD_ADJACENT_PAIR:
            add_record_block(bank, entry, 2 * n);
            add_record_block(bank, entry, 2 * n + 1);
            break;
        case BB_RECORD_PAIR_2048_APART:
            add_record_block(bank, entry, n < 2048 ? n : n + 2048);
            add_record_block(bank, entry, n < 2048 ? n + 2048 : n + 4096);
            break;
        default:
            add_record_block(bank, entry, n);
    }
}

void merge_bad_block_records(uint32_t bank) {
    for (uint32_t page = FIRST_RECORD_PAGE; page <= LAST_RECORD_PAGE; ++page) {
        BbEventRecord record;
        if (read_block_zero_page(bank, page, BANK_PAGE_BYTES, page_buffer) == BLOCK_ZERO_READ &&
            read_bb_event_record(page_buffer, &record)) {
            add_record_blocks(bank, record);
        }
    }
}

}  // namespace

uint32_t find_scan_lists(bool verbose) {
    bool scan_lists_read = true;
    bool runtime_lists_read = true;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!is_expected_bank(bank)) {
            continue;
        }
        if (work->scan_list_found[bank] == 0 && !load_scan_list(bank, verbose)) {
            scan_lists_read = false;
        }
        if (!merge_stored_runtime_list(bank, verbose)) {
            runtime_lists_read = false;
        }
        merge_bad_block_records(bank);
    }
    if (!scan_lists_read) {
        return STORED_SCAN_LIST_UNREADABLE;
    }
    return runtime_lists_read ? STORED_LISTS_READ : STORED_RUNTIME_LIST_UNREADABLE;
}
