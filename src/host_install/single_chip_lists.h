// The single-chip lists of the metadata image: per bank the bad pairs whose
// bad blocks all lie on one chip, apart from the pairs that hold the bank's
// system blocks. Only builds with BUILD_SINGLE_CHIP_LISTS have them.
#pragma once

// Needs the bad-pair lists and the system blocks in the master info.
void build_single_chip_lists();
