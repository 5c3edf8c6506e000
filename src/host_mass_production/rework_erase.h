// The erase of a drive produced before: every block but the first and the
// last, in the banks that are not blank.
#pragma once

#include "host_actions/bank_selection.h"

// Erases the expected banks whose flag in left_alone is 0. A chip known bad
// for a block is left alone; when both are, the bank's block is not erased.
// An erase failure is recorded as a runtime bad block and the erase goes on.
void erase_for_rework(const BankSelection& left_alone);
