// The few SVG elements the report's charts are drawn with. Text arguments are
// plain text; these functions escape it.
#pragma once

#include <string>
#include <string_view>

namespace station_report {

// The opening tag of a chart: its id, size, and the name a reader announces.
std::string svg_open(std::string_view id, double width, double height, std::string_view name);

std::string svg_rect(double x, double y, double width, double height, std::string_view fill);

// anchor: "start", "middle" or "end"; css_class may be empty.
std::string svg_text(double x, double y, std::string_view text, std::string_view anchor,
                     std::string_view css_class);

// Reads bottom to top, centred on (x, y): the title of a vertical axis.
std::string svg_vertical_text(double x, double y, std::string_view text, std::string_view css_class);

std::string svg_line(double x1, double y1, double x2, double y2, std::string_view css_class);

// A hover text for the group it opens.
std::string svg_group_with_tooltip(std::string_view tooltip);

}  // namespace station_report
