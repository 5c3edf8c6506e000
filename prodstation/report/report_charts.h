// The report's charts, each an inline SVG element with a fixed id.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run_record.h"

namespace station_report {

std::string yield_over_time_chart(const std::vector<RunRecord>& runs);
std::string yield_per_port_chart(const std::vector<RunRecord>& runs);
std::string failures_by_stage_chart(const std::vector<RunRecord>& runs);
std::string failures_by_reason_chart(const std::vector<RunRecord>& runs);
std::string factory_bad_chart(const std::vector<RunRecord>& runs);
std::string run_time_chart(const std::vector<RunRecord>& runs);

// The text of a yield: "92.3%", or "-" when no drive got a verdict.
std::string yield_text(const std::optional<double>& yield);

}  // namespace station_report
