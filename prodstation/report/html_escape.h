// Text from the results file as HTML text or attribute value.
#pragma once

#include <string>
#include <string_view>

namespace station_report {

std::string html_escape(std::string_view text);

}  // namespace station_report
