// The two bad-block tables of every bank as the tool keeps them in the work
// block: loading them back from block zero of a drive produced before,
// recording new runtime bad blocks, clearing block zero for new tables, and
// the operator's report of both tables.
#pragma once

#include <cstdint>
#include <cstdio>

// Erases block zero of an expected bank in both chips. 1 when erased; 0 when
// refused or failed, with the failure's lines in the station log trail.
uint32_t erase_bad_block_list(uint32_t bank);

// Adds (block, chip_mask, bb_type) to the bank's runtime list unless an entry
// with the same block and chip mask is there already. A bank whose list is
// full ends the run: so many bad blocks fail the drive. A type outside 1 to
// 8 (the drive's tables and records are read before anything is erased)
// ends the run too, even for a block already listed.
void add_runtime_bad_block(uint32_t bank, uint8_t chip_mask, uint8_t bb_type, uint16_t block);

enum FoundScanLists : uint32_t {
    STORED_SCAN_LIST_UNREADABLE = 0,
    STORED_LISTS_READ = 1,
    STORED_RUNTIME_LIST_UNREADABLE = 2,
};

// Loads, for every expected bank, the stored scan list (unless the bank's
// initial list is known already) and merges the stored runtime list and the
// drive's bad-block records into the runtime list. STORED_SCAN_LIST_UNREADABLE
// when a stored scan list could not be read; else
// STORED_RUNTIME_LIST_UNREADABLE when a stored runtime list could not (its
// entries are lost with it); else STORED_LISTS_READ. Verbose names each bank
// whose scan list was found or a stored list unreadable.
uint32_t find_scan_lists(bool verbose);

void print_initial_bad_blocks(std::FILE* stream);
void print_runtime_bad_blocks(std::FILE* stream);
