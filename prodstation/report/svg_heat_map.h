// The factory-bad share per bank position (columns) and chip (rows), with
// its colour scale.
#pragma once

#include <string>

#include "factory_bad_map.h"

namespace station_report {

std::string svg_heat_map(const std::string& id, const FactoryBadMap& map);

// The colour of a share on the scale that ends at highest: white at none,
// through amber to dark red at highest.
std::string heat_colour(double percent, double highest);

}  // namespace station_report
