// Runs at a station's console: the program on a pseudo terminal of its own,
// reading the operator's counts as typed lines and keys as the terminal
// gives them, and the colours the terminal shows around an error.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "drive_contents.h"
#include "e2e_harness.h"

namespace {

constexpr char ERROR_COLOUR[] = "\033[0;93;40m";
constexpr char OWN_COLOURS[] = "\033[0m";

std::string new_drive_scenario(const e2e::Station& station, const std::string& members = "") {
    return "{\"build\": " + std::to_string(station.build) + members + "}";
}

e2e::RunResult run_at_terminal(const std::string& name, const std::vector<std::string>& args,
                               const std::vector<e2e::TerminalAnswer>& answers,
                               const std::string& members = "", const std::string& program = "prodtool-sim") {
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), name);
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, new_drive_scenario(station, members), &error)) << error;
    e2e::RunOptions options;
    options.on_terminal = true;
    options.answers = answers;
    options.program = program;
    return e2e::run(station, args, options);
}

// Pairs of a bank whose last page holds a summary.
uint32_t summary_pages(const sim::Drive& drive, uint32_t bank) {
    uint32_t summaries = 0;
    for (uint32_t pair = 0; pair < 4096; ++pair) {
        summaries += e2e::page_programmed(drive, bank, 2 * pair, 127, false) ? 1 : 0;
    }
    return summaries;
}

// The states the drive-side program reported, each run of equal states once.
std::vector<std::string> program_states(const std::string& shown) {
    const std::regex state("(erase|program|read) [0-9]+ of 8191|complete");
    std::vector<std::string> states;
    for (std::sregex_iterator it(shown.begin(), shown.end(), state), end; it != end; ++it) {
        const std::string name = (*it)[1].matched ? (*it)[1].str() : "complete";
        if (states.empty() || states.back() != name) {
            states.push_back(name);
        }
    }
    return states;
}

TEST(OperatorTerminal, FlashBistCountTypedAtTheTerminalIsTheDriveSideTestsCycleCount) {
    const e2e::RunResult result =
        run_at_terminal("terminal_bist_count", {"1", "L"}, {{"Flash BIST count = ", "2\r"}});
    EXPECT_EQ(result.exit_code, 0) << result.out;
    EXPECT_NE(result.out.find("Flash BIST count = 2\n"), std::string::npos) << result.out;
    // The first status is read 4 s after the request, when the first cycle's
    // erase phase (4 s) is over.
    const std::vector<std::string> two_cycles = {"program", "read", "erase", "program", "read", "complete"};
    EXPECT_EQ(program_states(result.out), two_cycles) << result.out;
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->program.runs, 1u);
    EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
}

TEST(OperatorTerminal, TimingTestSizeTypedAtTheTerminalIsItsCountOfReadCycles) {
    const e2e::RunResult result =
        run_at_terminal("terminal_timing_size", {"1", "L", "T"},
                        {{"Flash timing test size = ", "5\r"}, {"\npress any key to finish\n", " "}});
    EXPECT_EQ(result.exit_code, 0) << result.out;
    EXPECT_NE(result.out.find("Flash timing test size = 5\n"), std::string::npos) << result.out;
    // Read cycles of 2 s, the first status 4 s after the request.
    for (const char* cycle : {"(read_cycle=3)\r", "(read_cycle=4)\r", "(read_cycle=5)\r"}) {
        EXPECT_NE(result.out.find(std::string("read 0 of 8191 ") + cycle), std::string::npos) << cycle;
    }
    EXPECT_EQ(result.out.find("(read_cycle=6)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nResult of Flash timing test at 175MHz core clock\n"), std::string::npos);
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->program.runs, 1u);
    EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
}

// The question comes after the overlay is written; y fragments the FTL (3846
// summary pages per bank beside the zero-page pair), n leaves it as installed.
TEST(OperatorTerminal, FragmentationQuestionAnsweredAtTheTerminal) {
    for (const std::string key : {"y", "n"}) {
        SCOPED_TRACE(key);
        const e2e::RunResult result = run_at_terminal(
            "terminal_fragmentation_" + key, {}, {{"FTL fragmentation ?", key}}, "", ASKING_STATION_PROGRAM);
        EXPECT_EQ(result.exit_code, 0) << result.out;
        const std::string answered = "FTL fragmentation ?" + key + "\n";
        const size_t asked = result.out.find(answered);
        ASSERT_NE(asked, std::string::npos) << result.out;
        const std::string after = result.out.substr(asked + answered.size());
        const std::string installed = "\nfirmware installation complete\n";
        if (key == "y") {
            EXPECT_TRUE(after.starts_with("fragmentation...0.03%\r")) << after.substr(0, 100);
            EXPECT_TRUE(after.ends_with("fragmentation...100.00%\rfragmentation...done\t\t\n" + installed));
        } else {
            EXPECT_EQ(after, installed);
        }
        ASSERT_TRUE(result.drive);
        EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
        for (const uint32_t bank : e2e::populated_banks(*result.drive)) {
            EXPECT_EQ(summary_pages(*result.drive, bank), key == "y" ? 3847u : 1u) << "bank " << bank;
        }
    }
}

// Every line shown in the error colour is followed by the terminal's own
// colours, and no colour of the tool's choosing stands for them.
TEST(OperatorTerminal, AnErrorLineGivesTheTerminalItsOwnColoursBack) {
    const e2e::RunResult result = run_at_terminal(
        "terminal_error_colour", {"1"}, {}, ", \"faults\": [{\"kind\": \"blank_check_hang\", \"bank\": 2}]");
    EXPECT_EQ(result.exit_code, 1);
    const std::string error_line = std::string(ERROR_COLOUR) + "ERROR: NAND Flash response timeout\n";
    const size_t error_at = result.out.find(error_line);
    ASSERT_NE(error_at, std::string::npos) << result.out;
    const std::string after_error = result.out.substr(error_at + error_line.size());
    EXPECT_TRUE(
        std::regex_match(after_error, std::regex("\033\\[0merror at [^\n]+flash_test\\.cpp [0-9]+\n")))
        << after_error;
    const std::string bank_line = std::string("bank 02(C0)..") + ERROR_COLOUR + "no response from flash\n" +
                                  OWN_COLOURS + "bank 03(D0)..";
    EXPECT_NE(result.out.find(bank_line), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("\033[0;37;40m"), std::string::npos)
        << "grey on black is not the terminal's own";
}

}  // namespace
