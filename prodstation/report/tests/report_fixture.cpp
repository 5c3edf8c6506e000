#include "report_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace station_report {

namespace {

using nlohmann::json;

json nullable(const std::optional<std::string>& value) {
    return value ? json(*value) : json(nullptr);
}

std::string stamp(int minutes_after_eight) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-11T%02d:%02d:%02dZ", 8 + minutes_after_eight / 60,
                  minutes_after_eight % 60, (minutes_after_eight * 7) % 60);
    return text;
}

struct Failure {
    const char* stage;
    const char* error;
};

constexpr Failure FAILURES[] = {
    {"flash test", "ERROR: too many bad blocks in bank 5=B1\t"},
    {"download", "ERROR: data corruption. see good.bin and bad.bin"},
    {"module test", "ERROR: bank configuration error (must be 00FF)"},
    {"SATA/SDRAM test", "ERROR: SATA/SDRAM test failure (data corruption)"},
    {"flash test", "ERROR: too many bad blocks in bank 2=C0\t"},
};

RunRecord shift_run(int drive, int slot) {
    const int serial_number = slot * 8 + drive;
    const int start = slot * 12 + drive % 3;
    // Port 6 has a loose cable: a third of its runs fail.
    const bool fails = (drive == 6 && slot % 3 == 0) || serial_number % 17 == 0;
    Outcome result = fails ? Outcome::failed : Outcome::produced;
    if (drive == 8 && slot % 10 == 4) {
        result = Outcome::timing_test_done;
    }
    if (drive == 3 && slot == 11) {
        result = Outcome::cut_short;
    }
    const double seconds =
        result == Outcome::failed ? 20.0 + serial_number % 50 : 83.0 + serial_number % 5 * 0.7;
    RunRecord run = make_run(drive, result, stamp(start + static_cast<int>(seconds) / 60), seconds);
    run.start = stamp(start);
    run.serial = "SN" + std::to_string(100000 + serial_number);
    if (result == Outcome::failed) {
        const Failure& failure = FAILURES[serial_number % 5];
        run.stage = failure.stage;
        run.errors = {failure.error};
        run.exit_code = 1;
    }
    for (unsigned bank = 0; bank < 8; ++bank) {
        for (Chip chip : {Chip::low, Chip::high}) {
            const unsigned blocks = 4 + bank % 4 * 3 + (serial_number * 7 + bank * 3) % 9 +
                                    (bank == 5 && chip == Chip::high ? 60 : 0);
            run.factory_bad.push_back({bank, chip, blocks, blocks * 100.0 / 8192});
        }
    }
    return run;
}

}  // namespace

RunRecord make_run(int drive, Outcome result, const std::string& end, double seconds) {
    RunRecord run;
    run.drive = drive;
    run.serial = "SN0001";
    run.build = "1";
    run.fw_revision = "R1.0";
    run.model = "FACTORY SSD 64";
    run.options = {"L", "B2"};
    run.start = "2026-12-11T12:00:00Z";
    run.end = end;
    run.seconds = seconds;
    run.exit_code = result == Outcome::produced || result == Outcome::timing_test_done ? 0 : 1;
    run.result = result;
    run.run_dir = "runs/20261211-120000-d" + std::to_string(drive);
    return run;
}

std::string results_line(const RunRecord& run) {
    json factory_bad = json::array();
    for (const FactoryBad& entry : run.factory_bad) {
        factory_bad.push_back({{"bank", entry.bank},
                               {"chip", chip_name(entry.chip)},
                               {"blocks", entry.blocks},
                               {"percent", entry.percent}});
    }
    const json record = {{"drive", run.drive},
                         {"serial", nullable(run.serial)},
                         {"build", nullable(run.build)},
                         {"fw_revision", nullable(run.fw_revision)},
                         {"model", nullable(run.model)},
                         {"options", run.options},
                         {"start", run.start},
                         {"end", run.end},
                         {"seconds", run.seconds},
                         {"exit_code", run.exit_code},
                         {"result", outcome_name(run.result)},
                         {"stage", nullable(run.stage)},
                         {"errors", run.errors},
                         {"fail_record", nullable(run.fail_record)},
                         {"run_dir", run.run_dir},
                         {"factory_bad", factory_bad}};
    return record.dump();
}

std::string station_results_file() {
    std::string file;
    for (int slot = 0; slot < 24; ++slot) {
        for (int drive = 1; drive <= 8; ++drive) {
            file += results_line(shift_run(drive, slot)) + "\n";
        }
        if (slot == 12) {
            file += results_line(shift_run(1, 99)).substr(0, 120) + "\n";
        }
    }
    return file;
}

std::filesystem::path fresh_scratch_dir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(REPORT_SCRATCH_DIR) / test->test_suite_name() / test->name();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string read_text(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace station_report
