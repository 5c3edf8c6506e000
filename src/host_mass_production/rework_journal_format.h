// The rework journal of one drive as the station keeps it: a short text an
// engineer can read, holding what only the tool knows while block zero is
// being rebuilt (the serial number and the runtime bad blocks), keyed by the
// initial bad blocks that a rescan of the erased drive finds again.
//
//   prodtool rework journal 1
//   serial <the 20 serial bytes, 40 hex digits>
//   cell-test <1 when the rework owes the drive-side cell test, else 0>
//   bank <b> initial <n> <n entries: 4 hex digits, bit 15 the high chip>
//   bank <b> runtime <n> <n entries: 8 hex digits, packed as block zero holds them>
//   end
//
// with one initial and one runtime line per expected bank, ascending.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host_actions/bank_selection.h"
#include "run_state/work_block.h"
#include "images/identity.h"

struct ReworkJournal {
    uint8_t serial[SERIAL_NUMBER_CHARS];
    bool cell_test_owed;
    uint8_t initial_bb_list[BANK_POSITIONS][BB_LIST_BYTES];
    uint8_t runtime_bb_list[BANK_POSITIONS][BB_LIST_BYTES];
};

std::string format_rework_journal(const ReworkJournal& journal);

// False when the text is not a complete journal of this build's banks.
bool parse_rework_journal(const char* text, size_t length, ReworkJournal* journal);

// The initial bad blocks are the same, in any order, in every expected bank
// whose `known` flag is set.
bool same_initial_bad_blocks(const uint8_t (*a)[BB_LIST_BYTES], const uint8_t (*b)[BB_LIST_BYTES],
                             const BankSelection& known);

// Some expected bank whose `known` flag is set has initial bad blocks.
bool has_initial_bad_blocks(const uint8_t (*lists)[BB_LIST_BYTES], const BankSelection& known);

// A file name for the journal of the drive with these initial bad blocks and
// this serial number: "drive-<16 hex digits>.journal".
std::string rework_journal_name(const ReworkJournal& journal);
