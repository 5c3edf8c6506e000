// The FTL start state the drive firmware finds in flash, built on the host:
// the metadata image (an empty map, the state of every block pair, the pairs
// the FTL's structures live in), the master info that points into it, the
// empty HIL context, and the system blocks of every bank.
#pragma once

// Needs build_bad_pair_lists on the same, otherwise zero, metadata image.
// Allocations in every bank come lowest free pair first, in this order: the
// reserved pair 0, a fallback pair for the system blocks where needed, the
// metadata pair, the HIL context pair, the zero-page pair, the active pair;
// the first bank then gives one more pair to the image tail. Returns 1; an
// impossible state is a debug assertion failure.
int build_firmware_context();
