// A chart of stacked columns: one column per category (an hour, a port, a
// run-time bin), one coloured part per series (an outcome).
#pragma once

#include <string>
#include <vector>

namespace station_report {

struct ChartSeries {
    std::string name;
    std::string colour;
};

struct ChartColumn {
    std::string label;             // lines separated by '\n'
    std::vector<unsigned> values;  // one per series
    std::string note;              // above the column where there is room, e.g. its yield
    std::string tooltip;
};

struct ColumnChart {
    std::string id;
    std::string name;  // what a screen reader announces
    std::string x_title;
    std::string y_title;
    std::vector<ChartSeries> series;
    std::vector<ChartColumn> columns;
};

std::string svg_column_chart(const ColumnChart& chart);

}  // namespace station_report
