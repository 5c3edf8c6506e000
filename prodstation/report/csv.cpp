#include "csv.h"

#include <optional>

#include "number_text.h"

namespace station_report {

namespace {

constexpr const char* HEADER =
    "drive,serial,build,fw_revision,model,options,start,end,seconds,exit_code,result,stage,errors,"
    "fail_record,run_dir,factory_bad";

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : separator) + items[i];
    }
    return text;
}

std::string factory_bad_column(const std::vector<FactoryBad>& list) {
    std::vector<std::string> entries;
    for (const FactoryBad& entry : list) {
        entries.push_back(std::to_string(entry.bank) + (entry.chip == Chip::low ? "L:" : "H:") +
                          std::to_string(entry.blocks) + ":" + shortest_number(entry.percent));
    }
    return joined(entries, " ");
}

std::vector<std::string> row(const RunRecord& run) {
    const auto text = [](const std::optional<std::string>& value) { return value.value_or(""); };
    return {std::to_string(run.drive),
            text(run.serial),
            text(run.build),
            text(run.fw_revision),
            text(run.model),
            joined(run.options, " "),
            run.start,
            run.end,
            shortest_number(run.seconds),
            std::to_string(run.exit_code),
            outcome_name(run.result),
            text(run.stage),
            joined(run.errors, "\n"),
            text(run.fail_record),
            run.run_dir,
            factory_bad_column(run.factory_bad)};
}

}  // namespace

std::string csv_field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

void write_csv(const std::vector<RunRecord>& runs, std::ostream& out) {
    out << HEADER << "\r\n";
    for (const RunRecord& run : runs) {
        std::vector<std::string> fields;
        for (const std::string& field : row(run)) {
            fields.push_back(csv_field(field));
        }
        out << joined(fields, ",") << "\r\n";
    }
}

}  // namespace station_report
