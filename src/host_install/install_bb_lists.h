// Writes the 32 initial or runtime bad-block tables of the work block
// unchanged to block zero of every expected bank, the initial tables to the
// scan-list page, the runtime tables (with their magic words set) to the
// runtime-list page, and reads them back.
#pragma once

enum BbListKind : int {
    BB_LISTS_INITIAL = 0,
    BB_LISTS_RUNTIME = 1,  // any value other than 0 selects the runtime tables
};

// Returns 1 when every expected bank read back what was written; 0 after a
// difference, with the tables dumped to "good.bin" and what was read to
// "bad.bin". The station log trail is left for the caller.
int install_bb_lists(int which);
