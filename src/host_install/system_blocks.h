// The system blocks of every bank, which hold the master info: on the low
// chip a block that is bad on the high chip only, on the high chip a block
// that is bad on the low chip only, so that neither wastes a good block of
// the other chip. A bank without such a block on a chip gets the blocks of a
// freshly allocated pair instead.
#pragma once

// Picks them from each bank's initial table and stores them in the master
// info and in the work block's system_blocks.
void choose_system_blocks();
