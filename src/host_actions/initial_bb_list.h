// The initial bad-block list of one bank: an 8192-byte image, the same that
// block-zero page 0 holds as the bank's scan list. A u16 count, then one u16
// per entry: the block in bits 0-14, bit 15 set when the block is bad on the
// high chip. Entries keep the order in which they were found; a block bad on
// both chips has two.
#pragma once

#include <cstdint>

inline constexpr uint32_t INITIAL_BB_MAX_ENTRIES = 4095;

struct InitialBbEntry {
    uint16_t block;
    bool high_chip;
};

// The entries the image can hold: a stored count beyond the image's room is
// taken as the room, since the entries it claims do not exist.
uint32_t initial_bb_count(const uint8_t* list);

// False when the stored count claims more entries than the image has room
// for: such an image is not an initial list.
bool initial_bb_count_fits(const uint8_t* list);

InitialBbEntry initial_bb_entry(const uint8_t* list, uint32_t index);

// Empties the list: the count becomes 0, the entry bytes stay as they are.
void clear_initial_bb_list(uint8_t* list);

// Adds an entry at the end; false, with the list unchanged, when it is full.
bool append_initial_bb_entry(uint8_t* list, InitialBbEntry entry);
