#include "report_charts.h"

#include <algorithm>

#include "factory_bad_map.h"
#include "failures.h"
#include "number_text.h"
#include "run_time_histogram.h"
#include "svg_bar_list.h"
#include "svg_column_chart.h"
#include "svg_heat_map.h"
#include "yield.h"

namespace station_report {

namespace {

constexpr size_t MOST_REASONS = 12;
constexpr size_t MOST_RUN_TIME_BINS = 24;
constexpr const char* FAILURE_COLOUR = "#c62828";

std::vector<ChartSeries> outcome_series() {
    return {{"produced", "#2e7d32"},
            {"failed", FAILURE_COLOUR},
            {"timing test", "#1565c0"},
            {"cut short", "#9e9e9e"}};
}

std::string tally_tooltip(const std::string& what, const Tally& tally) {
    return what + ": " + std::to_string(tally.runs()) + " runs, " + std::to_string(tally.produced) +
           " produced, " + std::to_string(tally.failed) + " failed, " + std::to_string(tally.timing_tests) +
           " timing tests, " + std::to_string(tally.cut_short) + " cut short; yield " +
           yield_text(tally.yield());
}

ChartColumn outcome_column(const std::string& label, const std::string& what, const Tally& tally,
                           bool with_yield) {
    return {label,
            {tally.produced, tally.failed, tally.timing_tests, tally.cut_short},
            with_yield && tally.yield() ? yield_text(tally.yield()) : "",
            tally_tooltip(what, tally)};
}

std::string tally_chart(const std::string& id, const std::string& name, const std::string& x_title,
                        const std::vector<LabelledTally>& groups, const std::string& what_prefix) {
    ColumnChart chart{id, name, x_title, "runs", outcome_series(), {}};
    for (const LabelledTally& group : groups) {
        std::string what = group.label;
        std::replace(what.begin(), what.end(), '\n', ' ');
        chart.columns.push_back(outcome_column(group.label, what_prefix + what, group.tally, true));
    }
    return svg_column_chart(chart);
}

std::vector<ListBar> list_bars(const std::vector<FailureGroup>& groups) {
    std::vector<ListBar> bars;
    for (const FailureGroup& group : groups) {
        bars.push_back(
            {group.label, group.count, group.example.empty() ? group.label : "e.g. " + group.example});
    }
    return bars;
}

}  // namespace

std::string yield_text(const std::optional<double>& yield) {
    return yield ? fixed_number(*yield * 100, 1) + "%" : "-";
}

std::string yield_over_time_chart(const std::vector<RunRecord>& runs) {
    return tally_chart("yield-over-time", "runs and yield over time", "hour the run ended (UTC)",
                       tally_over_time(runs), "");
}

std::string yield_per_port_chart(const std::vector<RunRecord>& runs) {
    return tally_chart("yield-per-port", "runs and yield per drive port", "drive port", tally_per_port(runs),
                       "drive ");
}

std::string failures_by_stage_chart(const std::vector<RunRecord>& runs) {
    return svg_bar_list("failures-by-stage", "failures by stage", list_bars(failures_by_stage(runs)),
                        tally_all(runs).failed, FAILURE_COLOUR);
}

std::string failures_by_reason_chart(const std::vector<RunRecord>& runs) {
    return svg_bar_list("failures-by-reason", "failures by reason",
                        list_bars(failures_by_reason(runs, MOST_REASONS)), tally_all(runs).failed,
                        FAILURE_COLOUR);
}

std::string factory_bad_chart(const std::vector<RunRecord>& runs) {
    return svg_heat_map("factory-bad", factory_bad_map(runs));
}

std::string run_time_chart(const std::vector<RunRecord>& runs) {
    ColumnChart chart{"run-time", "distribution of run times", "run time (s)", "runs", outcome_series(), {}};
    for (const HistogramBin& bin : run_time_histogram(runs, MOST_RUN_TIME_BINS)) {
        const std::string range = shortest_number(bin.from) + "-" + shortest_number(bin.to);
        chart.columns.push_back(outcome_column(range, range + " s", bin.tally, false));
    }
    return svg_column_chart(chart);
}

}  // namespace station_report
