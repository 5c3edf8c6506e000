#include "svg.h"

#include "html_escape.h"
#include "number_text.h"

namespace station_report {

namespace {

std::string coordinate(double value) {
    return fixed_number(value, 1);
}

}  // namespace

std::string svg_open(std::string_view id, double width, double height, std::string_view name) {
    return "<svg id=\"" + html_escape(id) + "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           coordinate(width) + "\" height=\"" + coordinate(height) + "\" viewBox=\"0 0 " + coordinate(width) +
           " " + coordinate(height) + "\" role=\"img\" aria-label=\"" + html_escape(name) + "\">";
}

std::string svg_rect(double x, double y, double width, double height, std::string_view fill) {
    return "<rect x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" width=\"" + coordinate(width) +
           "\" height=\"" + coordinate(height) + "\" fill=\"" + html_escape(fill) + "\"/>";
}

std::string svg_text(double x, double y, std::string_view text, std::string_view anchor,
                     std::string_view css_class) {
    std::string element = "<text x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" text-anchor=\"" +
                          std::string(anchor) + "\"";
    if (!css_class.empty()) {
        element += " class=\"" + std::string(css_class) + "\"";
    }
    return element + ">" + html_escape(text) + "</text>";
}

std::string svg_vertical_text(double x, double y, std::string_view text, std::string_view css_class) {
    return "<text transform=\"translate(" + coordinate(x) + " " + coordinate(y) +
           ") rotate(-90)\" text-anchor=\"middle\" class=\"" + std::string(css_class) + "\">" +
           html_escape(text) + "</text>";
}

std::string svg_line(double x1, double y1, double x2, double y2, std::string_view css_class) {
    return "<line x1=\"" + coordinate(x1) + "\" y1=\"" + coordinate(y1) + "\" x2=\"" + coordinate(x2) +
           "\" y2=\"" + coordinate(y2) + "\" class=\"" + std::string(css_class) + "\"/>";
}

std::string svg_group_with_tooltip(std::string_view tooltip) {
    return "<g><title>" + html_escape(tooltip) + "</title>";
}

}  // namespace station_report
