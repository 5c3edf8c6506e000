// Reading the station's results file, one JSON record per line.
#pragma once

#include <cstddef>
#include <istream>
#include <vector>

#include "run_record.h"

namespace station_report {

struct Results {
    std::vector<RunRecord> runs;  // in file order
    size_t unreadable_lines = 0;  // skipped: malformed or cut off mid-write
};

Results read_results(std::istream& file);

}  // namespace station_report
