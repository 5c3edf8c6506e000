// A list of labelled horizontal bars, the label above its bar: long texts
// such as failure reasons stay readable.
#pragma once

#include <string>
#include <vector>

namespace station_report {

struct ListBar {
    std::string label;
    unsigned count = 0;
    std::string tooltip;
};

// Each bar's length is its share of the longest; its text gives the count and
// its share of total.
std::string svg_bar_list(const std::string& id, const std::string& name, const std::vector<ListBar>& bars,
                         unsigned total, const std::string& colour);

}  // namespace station_report
