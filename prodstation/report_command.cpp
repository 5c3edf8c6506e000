#include "report_command.h"

#include <iostream>
#include <optional>

#include "run_report.h"

namespace station {

namespace {

std::optional<std::filesystem::path> given_path(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

}  // namespace

int report_command(const std::string& runs_dir, const std::string& html, const std::string& csv) {
    return station_report::run_report(runs_dir, given_path(html), given_path(csv), std::cout, std::cerr);
}

}  // namespace station
