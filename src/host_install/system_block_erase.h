// The system blocks that the rework erase cannot have cleared. It never
// erases the last block of a chip, so a system block there may still hold
// the master info of the drive's earlier production; a page is programmed
// only once after its block's erase.
#pragma once

// Erases every bank's system block that is the last block of its chip, on
// that chip alone (the other chip's block is bad). An erase that fails ends
// the run. Needs the system blocks chosen; runs before the master info goes
// in.
void erase_last_block_system_blocks();
