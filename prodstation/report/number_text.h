// Numbers as text, the same on every platform and in every locale.
#pragma once

#include <string>

namespace station_report {

// The shortest text that reads back as the same value: 84.2, 0.15, 12.
std::string shortest_number(double value);

// A fixed number of decimals: fixed_number(0.1234, 2) is "0.12".
std::string fixed_number(double value, int decimals);

}  // namespace station_report
