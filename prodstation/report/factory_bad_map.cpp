#include "factory_bad_map.h"

#include <algorithm>

namespace station_report {

namespace {

size_t chip_index(Chip chip) {
    return chip == Chip::low ? 0 : 1;
}

}  // namespace

std::optional<double> HeatCell::mean() const {
    if (runs == 0) {
        return std::nullopt;
    }
    return percent_sum / runs;
}

const HeatCell& FactoryBadMap::cell(Chip chip, unsigned bank) const {
    return cells[chip_index(chip)][bank];
}

double FactoryBadMap::highest_mean() const {
    double highest = 0;
    for (const auto& chip : cells) {
        for (const HeatCell& cell : chip) {
            highest = std::max(highest, cell.mean().value_or(0));
        }
    }
    return highest;
}

FactoryBadMap factory_bad_map(const std::vector<RunRecord>& runs) {
    FactoryBadMap map{};
    for (const RunRecord& run : runs) {
        for (const FactoryBad& entry : run.factory_bad) {
            if (entry.bank >= BANK_POSITIONS) {
                continue;
            }
            HeatCell& cell = map.cells[chip_index(entry.chip)][entry.bank];
            ++cell.runs;
            cell.percent_sum += entry.percent;
            cell.percent_max = std::max(cell.percent_max, entry.percent);
        }
    }
    return map;
}

std::string bank_position(unsigned bank) {
    return std::string(1, static_cast<char>('A' + bank % 4)) + std::to_string(bank / 4);
}

}  // namespace station_report
