// The factory-bad share per bank position and chip over all runs: a NAND lot
// or a bank position that goes bad stands out from its neighbours.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "run_record.h"

namespace station_report {

inline constexpr unsigned BANK_POSITIONS = 32;

struct HeatCell {
    unsigned runs = 0;
    double percent_sum = 0;
    double percent_max = 0;

    std::optional<double> mean() const;
};

struct FactoryBadMap {
    std::array<std::array<HeatCell, BANK_POSITIONS>, 2> cells;  // [chip][bank]

    const HeatCell& cell(Chip chip, unsigned bank) const;
    double highest_mean() const;
};

FactoryBadMap factory_bad_map(const std::vector<RunRecord>& runs);

// The tool's name of a bank position's channel and chip enable: "D0" for bank 3.
std::string bank_position(unsigned bank);

}  // namespace station_report
