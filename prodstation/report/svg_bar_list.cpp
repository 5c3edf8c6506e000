#include "svg_bar_list.h"

#include <algorithm>

#include "number_text.h"
#include "svg.h"

namespace station_report {

namespace {

constexpr double WIDTH = 920;
constexpr double LEFT = 8;
constexpr double LONGEST_BAR = 780;
constexpr double ROW_HEIGHT = 42;
constexpr double BAR_HEIGHT = 16;
constexpr size_t LONGEST_LABEL = 130;

std::string shortened(const std::string& label) {
    return label.size() <= LONGEST_LABEL ? label : label.substr(0, LONGEST_LABEL - 3) + "...";
}

std::string count_text(unsigned count, unsigned total) {
    const double share = total == 0 ? 0 : 100.0 * count / total;
    return std::to_string(count) + " (" + fixed_number(share, 1) + "%)";
}

}  // namespace

std::string svg_bar_list(const std::string& id, const std::string& name, const std::vector<ListBar>& bars,
                         unsigned total, const std::string& colour) {
    unsigned longest = 1;
    for (const ListBar& bar : bars) {
        longest = std::max(longest, bar.count);
    }
    std::string svg = svg_open(id, WIDTH, ROW_HEIGHT * static_cast<double>(bars.size()) + 6, name);
    double y = 0;
    for (const ListBar& bar : bars) {
        const double length = LONGEST_BAR * bar.count / longest;
        svg += svg_group_with_tooltip(bar.tooltip.empty() ? bar.label : bar.tooltip);
        svg += svg_text(LEFT, y + 15, shortened(bar.label), "start", "label");
        svg += svg_rect(LEFT, y + 21, LONGEST_BAR, BAR_HEIGHT, "#eef0f3");
        svg += svg_rect(LEFT, y + 21, length, BAR_HEIGHT, colour);
        svg += svg_text(LEFT + LONGEST_BAR + 8, y + 34, count_text(bar.count, total), "start", "value");
        svg += "</g>";
        y += ROW_HEIGHT;
    }
    return svg + "</svg>";
}

}  // namespace station_report
