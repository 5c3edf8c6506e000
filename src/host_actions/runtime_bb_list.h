// The runtime bad-block list of one bank: an 8192-byte image, the same that
// block-zero page 3 holds. Two magic words (set when the list goes to
// flash), a reserved word left as found, a u32 count, then one 32-bit entry
// each: the block in bits 0-15, the chip mask in bits 16-23, the bad-block
// type in bits 24-31. The drive's bad-block records pack entries the same way.
#pragma once

#include <cstdint>

inline constexpr uint32_t RUNTIME_BB_MAGIC1 = 0x39FB0248;
inline constexpr uint32_t RUNTIME_BB_MAGIC2 = 0x77884455;
inline constexpr uint32_t RUNTIME_BB_MAX_ENTRIES = 2044;

inline constexpr uint8_t CHIP_MASK_LOW = 0x01;
inline constexpr uint8_t CHIP_MASK_HIGH = 0x02;

// Bad-block types, named after the markers the lists print for them. The
// tool itself records only BB_TYPE_EB, an erase failure of the rework erase;
// the others come from the drive.
enum BbType : uint8_t {
    BB_TYPE_E = 1,
    BB_TYPE_P = 2,
    BB_TYPE_R = 3,
    BB_TYPE_EB = 4,
    BB_TYPE_PB = 5,
    BB_TYPE_RB = 6,
    BB_TYPE_RBP = 7,
    BB_TYPE_RBB = 8,
};

enum class BbFailureGroup { erase, program, read, unknown };

struct RuntimeBbEntry {
    uint16_t block;
    uint8_t chip_mask;
    uint8_t bb_type;
};

uint32_t pack_runtime_bb_entry(RuntimeBbEntry entry);
RuntimeBbEntry unpack_runtime_bb_entry(uint32_t packed);

// "E ", "P ", ... as the lists print them; "? " for a type without a name.
const char* bb_type_marker(uint8_t bb_type);
BbFailureGroup bb_failure_group(uint8_t bb_type);

bool runtime_bb_has_magic(const uint8_t* list);
void set_runtime_bb_magic(uint8_t* list);

// The entries the image can hold: a stored count beyond the image's room is
// taken as the room, since the entries it claims do not exist.
uint32_t runtime_bb_count(const uint8_t* list);

RuntimeBbEntry runtime_bb_entry(const uint8_t* list, uint32_t index);

// Empties the list: the count becomes 0, the rest stays as it is.
void clear_runtime_bb_list(uint8_t* list);

// Adds an entry at the end; false, with the list unchanged, when it is full.
bool append_runtime_bb_entry(uint8_t* list, RuntimeBbEntry entry);
