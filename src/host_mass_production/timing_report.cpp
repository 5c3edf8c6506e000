#include "host_mass_production/timing_report.h"

#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_mass_production/flash_test_record.h"
#include "run_state/work_block.h"

namespace {

constexpr unsigned CORE_CLOCK_MHZ = 175;
constexpr double CLOCK_CYCLE_NS = 5.714;
constexpr uint32_t CHANNELS = 4;
constexpr uint32_t CHIP_ENABLES = 8;

struct TimingParameters {
    double setup_cycles;
    unsigned hold_cycles;
};
constexpr TimingParameters TARGET = {2.5, 2};
constexpr TimingParameters REFERENCE = {7.0, 7};

// Uncorrectable R, 1, 2, 3, sum of 1 to 3, then the same for correctable.
struct BankRow {
    uint32_t column[10];
};

BankRow bank_row(const uint8_t* record, uint32_t bank) {
    BankRow row{};
    for (uint32_t kind = 0; kind < 2; ++kind) {
        const bool correctable = kind == 1;
        uint32_t* columns = row.column + 5 * kind;
        for (uint32_t column = 0; column < TIMING_COLUMNS; ++column) {
            columns[column] = timing_errors(record, correctable, column, bank);
        }
        columns[4] = columns[1] + columns[2] + columns[3];
    }
    return row;
}

// Target uncorrectable and correctable, reference uncorrectable and correctable.
struct GroupTotals {
    uint32_t target_uncorrectable;
    uint32_t target_correctable;
    uint32_t reference_uncorrectable;
    uint32_t reference_correctable;
};

void add_to_group(GroupTotals* totals, const BankRow& row) {
    totals->target_uncorrectable += row.column[4];
    totals->target_correctable += row.column[9];
    totals->reference_uncorrectable += row.column[0];
    totals->reference_correctable += row.column[5];
}

void print_bank_rows(std::FILE* stream, const uint8_t* record) {
    uint32_t sums[10] = {};
    for (uint32_t channel = 0; channel < CHANNELS; ++channel) {
        for (uint32_t bank = channel; bank < BANK_POSITIONS; bank += CHANNELS) {
            if (!is_expected_bank(bank)) {
                continue;
            }
            const BankRow row = bank_row(record, bank);
            std::fprintf(stream, BANK_TIMING_ROW_NAME, BANK_NAME_ARGS(bank));
            for (uint32_t i = 0; i < 10; ++i) {
                std::fprintf(stream, "%8u", row.column[i]);
                sums[i] += row.column[i];
            }
            std::fprintf(stream, "\n");
        }
    }
    std::fprintf(stream, "sum   ");
    for (uint32_t sum : sums) {
        std::fprintf(stream, "%8u", sum);
    }
    std::fprintf(stream, "\n");
}

void print_summary(std::FILE* stream, const uint8_t* record) {
    GroupTotals by_channel[CHANNELS] = {};
    GroupTotals by_chip_enable[CHIP_ENABLES] = {};
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            const BankRow row = bank_row(record, bank);
            add_to_group(&by_channel[bank % CHANNELS], row);
            add_to_group(&by_chip_enable[bank / CHANNELS], row);
        }
    }
    std::fprintf(stream, "\nsummary:\n\n");
    std::fprintf(stream, "    target                      reference\n");
    std::fprintf(stream, "    uncorrectable   correctable uncorrectable   correctable\n");
    for (uint32_t channel = 0; channel < CHANNELS; ++channel) {
        const GroupTotals& t = by_channel[channel];
        std::fprintf(stream, "%c   %13u%14u %13u%14u\n", static_cast<char>('A' + channel),
                     t.target_uncorrectable, t.target_correctable, t.reference_uncorrectable,
                     t.reference_correctable);
    }
    std::fprintf(stream, "\n");
    for (uint32_t chip_enable = 0; chip_enable < CHIP_ENABLES; ++chip_enable) {
        const GroupTotals& t = by_chip_enable[chip_enable];
        std::fprintf(stream, "%u   %13u%14u %13u%14u\n", chip_enable, t.target_uncorrectable,
                     t.target_correctable, t.reference_uncorrectable, t.reference_correctable);
    }
}

void print_parameters(std::FILE* stream, const char* heading, const TimingParameters& timing) {
    std::fprintf(stream, "%s", heading);
    std::fprintf(stream, "clock cycle = %.2fns\n", CLOCK_CYCLE_NS);
    std::fprintf(stream, "setup = %.1f cycles = %.2fns\n", timing.setup_cycles,
                 timing.setup_cycles * CLOCK_CYCLE_NS);
    std::fprintf(stream, "hold = %u cycles = %.2fns\n", timing.hold_cycles,
                 timing.hold_cycles * CLOCK_CYCLE_NS);
    const double both = timing.setup_cycles + timing.hold_cycles;
    std::fprintf(stream, "setup + hold = %.1f cycles = %.2fns\n", both, both * CLOCK_CYCLE_NS);
}

}  // namespace

void print_timing_report(std::FILE* stream, const uint8_t* record) {
    std::fprintf(stream, "\nResult of Flash timing test at %uMHz core clock\n\n", CORE_CLOCK_MHZ);
    std::fprintf(stream, "             uncorrectable                           correctable\n");
    std::fprintf(stream,
                 "bank         R       1       2       3     sum       R       1       2       3     sum\n");
    print_bank_rows(stream, record);
    print_summary(stream, record);
    print_parameters(stream, "\ntarget parameters:\n", TARGET);
    print_parameters(stream, "\nreference parameters:\n", REFERENCE);
}
