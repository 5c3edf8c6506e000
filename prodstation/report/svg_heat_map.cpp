#include "svg_heat_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "number_text.h"
#include "svg.h"

namespace station_report {

namespace {

constexpr double LEFT = 52;
constexpr double TOP = 36;
constexpr double CELL_WIDTH = 26;
constexpr double CELL_HEIGHT = 34;
constexpr double WIDTH = LEFT + CELL_WIDTH * BANK_POSITIONS + 20;
constexpr double SCALE_TOP = TOP + 2 * CELL_HEIGHT + 22;
constexpr double SCALE_WIDTH = 260;
constexpr double HEIGHT = SCALE_TOP + 36;
// A scale that ends lower would paint normal spread as alarm.
constexpr double LEAST_SCALE_END = 1.0;
constexpr const char* NO_DATA = "#f1f2f4";

struct Rgb {
    double red, green, blue;
};

constexpr std::array<Rgb, 3> STOPS{{{255, 255, 255}, {253, 174, 60}, {165, 15, 21}}};

std::string cell_text(const HeatCell& cell) {
    return cell.mean() ? fixed_number(*cell.mean(), 2) : "";
}

std::string cell_tooltip(unsigned bank, Chip chip, const HeatCell& cell) {
    std::string tip =
        "bank " + std::to_string(bank) + "(" + bank_position(bank) + ") " + chip_name(chip) + ": ";
    if (!cell.mean()) {
        return tip + "no runs";
    }
    return tip + "mean " + fixed_number(*cell.mean(), 2) + "%, highest " + fixed_number(cell.percent_max, 2) +
           "%, over " + std::to_string(cell.runs) + " runs";
}

std::string column_labels() {
    std::string svg;
    for (unsigned bank = 0; bank < BANK_POSITIONS; ++bank) {
        const double centre = LEFT + CELL_WIDTH * (bank + 0.5);
        svg += svg_text(centre, TOP - 18, std::to_string(bank), "middle", "tick");
        svg += svg_text(centre, TOP - 5, bank_position(bank), "middle", "tick small");
    }
    return svg;
}

std::string cells(const FactoryBadMap& map, double scale_end) {
    std::string svg;
    for (Chip chip : {Chip::low, Chip::high}) {
        const double y = TOP + (chip == Chip::low ? 0 : CELL_HEIGHT);
        svg += svg_text(LEFT - 8, y + CELL_HEIGHT / 2 + 4, chip_name(chip), "end", "label");
        for (unsigned bank = 0; bank < BANK_POSITIONS; ++bank) {
            const HeatCell& cell = map.cell(chip, bank);
            const double x = LEFT + CELL_WIDTH * bank;
            const double share = cell.mean().value_or(0) / scale_end;
            svg += svg_group_with_tooltip(cell_tooltip(bank, chip, cell));
            svg += svg_rect(x + 1, y + 1, CELL_WIDTH - 2, CELL_HEIGHT - 2,
                            cell.mean() ? heat_colour(*cell.mean(), scale_end) : NO_DATA);
            svg += svg_text(x + CELL_WIDTH / 2, y + CELL_HEIGHT / 2 + 3, cell_text(cell), "middle",
                            share > 0.6 ? "cell dark" : "cell");
            svg += "</g>";
        }
    }
    return svg;
}

std::string scale(double scale_end) {
    std::string svg =
        svg_text(LEFT, SCALE_TOP + 11, "share of blocks factory-bad, mean per run:", "start", "legend");
    const double x = LEFT + 270;
    constexpr int STEPS = 26;
    for (int i = 0; i < STEPS; ++i) {
        svg += svg_rect(x + SCALE_WIDTH * i / STEPS, SCALE_TOP, SCALE_WIDTH / STEPS + 0.5, 14,
                        heat_colour(scale_end * i / (STEPS - 1), scale_end));
    }
    svg += svg_text(x, SCALE_TOP + 28, "0%", "start", "tick");
    svg += svg_text(x + SCALE_WIDTH, SCALE_TOP + 28, fixed_number(scale_end, 2) + "%", "end", "tick");
    svg += svg_rect(x + SCALE_WIDTH + 24, SCALE_TOP, 14, 14, NO_DATA);
    svg += svg_text(x + SCALE_WIDTH + 44, SCALE_TOP + 11, "no runs", "start", "legend");
    return svg;
}

}  // namespace

std::string heat_colour(double percent, double highest) {
    const double position = std::clamp(highest > 0 ? percent / highest : 0.0, 0.0, 1.0) * (STOPS.size() - 1);
    const size_t stop = std::min(static_cast<size_t>(position), STOPS.size() - 2);
    const double blend = position - static_cast<double>(stop);
    const auto mix = [&](double from, double to) {
        return static_cast<int>(std::lround(from + (to - from) * blend));
    };
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", mix(STOPS[stop].red, STOPS[stop + 1].red),
                  mix(STOPS[stop].green, STOPS[stop + 1].green), mix(STOPS[stop].blue, STOPS[stop + 1].blue));
    return colour;
}

std::string svg_heat_map(const std::string& id, const FactoryBadMap& map) {
    const double scale_end = std::max(LEAST_SCALE_END, map.highest_mean());
    return svg_open(id, WIDTH, HEIGHT, "factory-bad share per bank position and chip") + column_labels() +
           cells(map, scale_end) + scale(scale_end) + "</svg>";
}

}  // namespace station_report
