#include "svg_column_chart.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>

#include "nice_step.h"
#include "svg.h"

namespace station_report {

namespace {

constexpr double WIDTH = 920;
constexpr double PLOT_LEFT = 60;
constexpr double PLOT_RIGHT = WIDTH - 16;
constexpr double PLOT_TOP = 40;
constexpr double PLOT_HEIGHT = 180;
constexpr double LINE_HEIGHT = 13;
constexpr double CHARACTER_WIDTH = 6.5;  // of an axis label
constexpr double NOTE_MIN_COLUMN_WIDTH = 30;
constexpr unsigned MOST_Y_TICKS = 5;

std::vector<std::string> lines_of(const std::string& label) {
    std::vector<std::string> lines;
    std::istringstream text(label);
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

unsigned column_total(const ChartColumn& column) {
    return std::accumulate(column.values.begin(), column.values.end(), 0U);
}

size_t most_label_lines(const ColumnChart& chart) {
    size_t most = 1;
    for (const ChartColumn& column : chart.columns) {
        most = std::max(most, lines_of(column.label).size());
    }
    return most;
}

// Every label, or every second, fifth... when they would overlap.
size_t label_stride(const ColumnChart& chart, double column_width) {
    size_t widest = 1;
    for (const ChartColumn& column : chart.columns) {
        for (const std::string& line : lines_of(column.label)) {
            widest = std::max(widest, line.size());
        }
    }
    const double needed = static_cast<double>(widest) * CHARACTER_WIDTH + 8;
    return static_cast<size_t>(std::ceil(needed / column_width));
}

std::string legend(const ColumnChart& chart) {
    std::string svg;
    double x = PLOT_RIGHT;
    for (auto series = chart.series.rbegin(); series != chart.series.rend(); ++series) {
        x -= static_cast<double>(series->name.size()) * CHARACTER_WIDTH + 30;
        svg += svg_rect(x, 12, 12, 12, series->colour);
        svg += svg_text(x + 16, 22, series->name, "start", "legend");
    }
    return svg;
}

// Round ticks up to just above the tallest column.
struct YScale {
    double step;
    unsigned ticks;
    double pixels_per_run;
};

YScale y_scale(const ColumnChart& chart) {
    unsigned highest = 1;
    for (const ChartColumn& column : chart.columns) {
        highest = std::max(highest, column_total(column));
    }
    const double step = nice_step(std::max(1.0, highest / static_cast<double>(MOST_Y_TICKS)));
    const auto ticks = static_cast<unsigned>(std::ceil(highest / step));
    return {step, ticks, PLOT_HEIGHT / (step * ticks)};
}

std::string y_axis(const ColumnChart& chart, const YScale& scale) {
    std::string svg;
    for (unsigned tick = 0; tick <= scale.ticks; ++tick) {
        const double y = PLOT_TOP + PLOT_HEIGHT - PLOT_HEIGHT * tick / scale.ticks;
        svg += svg_line(PLOT_LEFT, y, PLOT_RIGHT, y, tick == 0 ? "axis" : "grid");
        const auto value = static_cast<unsigned>(scale.step * tick);
        svg += svg_text(PLOT_LEFT - 6, y + 4, std::to_string(value), "end", "tick");
    }
    svg += svg_vertical_text(16, PLOT_TOP + PLOT_HEIGHT / 2, chart.y_title, "axis-title");
    return svg;
}

std::string column(const ColumnChart& chart, const ChartColumn& column, double x, double width,
                   double scale) {
    std::string svg = svg_group_with_tooltip(column.tooltip);
    double y = PLOT_TOP + PLOT_HEIGHT;
    for (size_t i = 0; i < column.values.size() && i < chart.series.size(); ++i) {
        const double height = column.values[i] * scale;
        y -= height;
        if (column.values[i] > 0) {
            svg += svg_rect(x, y, width, height, chart.series[i].colour);
        }
    }
    return svg + "</g>";
}

std::string column_label(const ChartColumn& column, double centre) {
    std::string svg;
    double y = PLOT_TOP + PLOT_HEIGHT + 8 + LINE_HEIGHT - 2;
    for (const std::string& line : lines_of(column.label)) {
        svg += svg_text(centre, y, line, "middle", "tick");
        y += LINE_HEIGHT;
    }
    return svg;
}

}  // namespace

std::string svg_column_chart(const ColumnChart& chart) {
    const size_t label_lines = most_label_lines(chart);
    const double axis_bottom = PLOT_TOP + PLOT_HEIGHT;
    const double height = axis_bottom + 8 + LINE_HEIGHT * static_cast<double>(label_lines) + 26;
    const YScale scale = y_scale(chart);
    const double slot =
        (PLOT_RIGHT - PLOT_LEFT) / static_cast<double>(std::max<size_t>(chart.columns.size(), 1));
    const double bar = std::min(slot * 0.72, 64.0);
    const size_t stride = label_stride(chart, slot);

    std::string svg = svg_open(chart.id, WIDTH, height, chart.name) + legend(chart) + y_axis(chart, scale);
    for (size_t i = 0; i < chart.columns.size(); ++i) {
        const ChartColumn& c = chart.columns[i];
        const double centre = PLOT_LEFT + slot * (static_cast<double>(i) + 0.5);
        svg += column(chart, c, centre - bar / 2, bar, scale.pixels_per_run);
        if (slot >= NOTE_MIN_COLUMN_WIDTH && !c.note.empty()) {
            svg += svg_text(centre, axis_bottom - column_total(c) * scale.pixels_per_run - 4, c.note,
                            "middle", "note");
        }
        if (i % stride == 0) {
            svg += column_label(c, centre);
        }
    }
    svg += svg_text((PLOT_LEFT + PLOT_RIGHT) / 2, height - 6, chart.x_title, "middle", "axis-title");
    return svg + "</svg>";
}

}  // namespace station_report
