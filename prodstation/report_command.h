// prodstation report: the yield of the runs directory as a page and a table.
#pragma once

#include <string>

namespace station {

int report_command(const std::string& runs_dir, const std::string& html, const std::string& csv);

}  // namespace station
