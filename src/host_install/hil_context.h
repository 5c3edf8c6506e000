// The HIL context: the host-interface layer's start state, one pair page of
// zeros. The firmware context build makes it; its installer releases it once
// it is verified in flash.
#pragma once

#include <cstdint>

// 512-aligned, HIL_CONTEXT_BYTES; null while there is none.
extern uint8_t* hil_context;

// A zero-filled context (a second build reuses the first one's buffer).
void make_hil_context();
void release_hil_context();
