#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/chip_share.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "run_state/work_block.h"

namespace {

struct Chip {
    char letter;
    bool high;
    uint8_t mask;
};

constexpr Chip CHIPS[] = {{'L', false, CHIP_MASK_LOW}, {'H', true, CHIP_MASK_HIGH}};

void print_initial_chip(std::FILE* stream, uint32_t bank, const Chip& chip) {
    const uint8_t* list = work->initial_bb_list[bank];
    const uint32_t count = initial_bb_count(list);
    uint32_t bad = 0;
    for (uint32_t i = 0; i < count; ++i) {
        bad += initial_bb_entry(list, i).high_chip == chip.high;
    }
    std::fprintf(stream, "\n" BANK_HEADING_NAME " %c: %u of %u (%.2f%%)\n", BANK_NAME_ARGS(bank), chip.letter,
                 bad, BLOCKS_PER_CHIP, percent_of_chip(bad));
    for (uint32_t i = 0; i < count; ++i) {
        const InitialBbEntry entry = initial_bb_entry(list, i);
        if (entry.high_chip == chip.high) {
            std::fprintf(stream, "%u ", entry.block);
        }
    }
}

void print_runtime_chip(std::FILE* stream, uint32_t bank, const Chip& chip) {
    const uint8_t* list = work->runtime_bb_list[bank];
    const uint32_t count = runtime_bb_count(list);
    uint32_t bad = 0;
    for (uint32_t i = 0; i < count; ++i) {
        bad += (runtime_bb_entry(list, i).chip_mask & chip.mask) != 0;
    }
    std::fprintf(stream, BANK_HEADING_NAME " %c: %u of %u (%.2f%%) - ", BANK_NAME_ARGS(bank), chip.letter,
                 bad, BLOCKS_PER_CHIP, percent_of_chip(bad));
    for (uint32_t i = 0; i < count; ++i) {
        const RuntimeBbEntry entry = runtime_bb_entry(list, i);
        if (entry.chip_mask & chip.mask) {
            std::fprintf(stream, "%u%s", entry.block, bb_type_marker(entry.bb_type));
        }
    }
    std::fprintf(stream, "\n");
}

// Each chip of every expected bank, low chip first.
void print_each_chip(std::FILE* stream, void (*print_chip)(std::FILE*, uint32_t, const Chip&)) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            for (const Chip& chip : CHIPS) {
                print_chip(stream, bank, chip);
            }
        }
    }
}

}  // namespace

void print_initial_bad_blocks(std::FILE* stream) {
    std::fprintf(stream, "\nlist of initial bad blocks :\n");
    print_each_chip(stream, print_initial_chip);
    std::fprintf(stream, "\n");
}

void print_runtime_bad_blocks(std::FILE* stream) {
    std::fprintf(stream, "\nlist of runtime bad blocks :\n");
    print_each_chip(stream, print_runtime_chip);
}
