// The rework journal: from the erase of block zero until the drive is
// produced, a reworked drive's serial number and runtime bad blocks exist
// only in the tool's memory. Before block zero is erased the tool writes them
// to a journal file of the station, and a later run on the same drive, after
// an interruption, takes them back from there.
//
// The journals live in $PRODTOOL_REWORK_JOURNAL_DIR, or else in the directory
// "rework-journal" beside the program.
#pragma once

#include <cstdint>

#include "host_actions/bank_selection.h"

// Looks for the journal of this drive: the one whose initial bad blocks are
// the drive's in every bank whose initial list is `known` (scanned, or read
// from block zero) and, when the drive's stamp gave the serial number, whose
// serial is that one. A match merges the journal's runtime bad blocks into
// the runtime lists, gives the banks of unknown initial lists the journal's,
// and, unless the command line gave one, takes its serial number back; true
// then, with `cell_test_owed` telling whether the journaled rework owed the
// drive-side cell test. Ends the run when the match cannot be trusted:
// several journals match, or the known banks have no initial bad blocks and
// no stamp tells the drive.
bool take_back_rework_journal(uint32_t drive_number, const BankSelection& known, bool* cell_test_owed);

// Writes this run's journal: serial number, both tables, and whether the
// drive-side cell test is owed. Ends the run when it cannot be written, before
// anything of block zero is lost.
void keep_rework_journal(bool cell_test_owed);

// The drive is produced: its journal is no longer needed.
void discard_rework_journal();
