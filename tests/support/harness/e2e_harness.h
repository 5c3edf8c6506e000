// The end-to-end harness: runs a build's prodtool-sim, with the example
// station log plug-in beside it, on a simulated drive made from a scenario,
// each run in a scratch directory of its own, and collects everything the
// run leaves: output, exit code, station records, dump files and the drive.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/drive.h"
#include "process.h"

namespace e2e {

// One call the plug-in received. For "write": stage, status and text; for
// "initialize": the drive number in `stage`.
struct StationRecord {
    std::string call;
    int stage = 0;
    int status = 0;
    std::string text;
};

struct RunResult {
    int exit_code = -1;                          // -1: the program did not end normally
    std::string out;                             // on a terminal: all the terminal showed
    std::string err;                             // on a terminal: empty
    std::vector<std::vector<uint8_t>> commands;  // the command sectors sent, with RunOptions::command_log
    std::vector<StationRecord> records;
    // good.bin, bad.bin, bad<N>.bin by name, where the program ran
    std::map<std::string, std::vector<uint8_t>> dumps;
    std::unique_ptr<sim::Drive> drive;  // the drive file afterwards, null when there is none
};

struct Station {
    std::string dir;
    uint32_t build = 1;
};

// The builds this configuration made, ascending.
std::vector<uint32_t> built_builds();

// A fresh scratch directory named after the test, holding the build's
// prodtool-sim and stationlog.dll.
Station make_station(uint32_t build, const std::string& name);

std::string drive_file(const Station& station, unsigned drive_number = 1);

// Flips the bits of one byte inside the build's firmware image as the
// station's copy of the program carries it; false when it is not found.
bool damage_embedded_firmware(const Station& station);

// The whole file, empty when there is none.
std::string read_file(const std::string& path);

// Writes PHYSICALDRIVE<n> from a scenario; false with a message on error.
bool create_drive(const Station& station, std::string_view scenario, std::string* error,
                  unsigned drive_number = 1);

struct RunOptions {
    std::string input = "";  // standard input; it ends after this text
    std::string program = "prodtool-sim";
    int64_t calendar_start = 1700000000;  // the virtual clock's start ($PRODTOOL_SIM_TIME)
    // The station's memory request that fails ($PRODTOOL_SIM_FAIL_ALLOCATION); 0: none.
    unsigned failing_allocation = 0;
    // Files an earlier run left where this one runs (dump files, say), put
    // there first, by name.
    std::map<std::string, std::vector<uint8_t>> earlier_files = {};
    // The program runs in a directory of its own, "run" in the station's,
    // that it can only read (Launch::read_only_directory): no dump file can be
    // written or removed there. The drive stays in the station's directory.
    bool read_only_directory = false;
    // On a pseudo terminal, as at a station's console, with the operator's
    // answers (`input` is then not used).
    bool on_terminal = false;
    std::vector<TerminalAnswer> answers = {};
    // Keep every command sector the drive is sent ($PRODTOOL_SIM_COMMAND_LOG).
    bool command_log = false;
    // The station's entropy source ($PRODTOOL_SIM_ENTROPY): a seed makes the
    // serial a run makes up repeatable, "none" fails it; empty: the host's.
    std::string entropy = "";
};

// Runs the program in the station's directory with the arguments.
RunResult run(const Station& station, const std::vector<std::string>& args, const RunOptions& options = {});

// Puts the build's real prodtool (on the platform's raw disk, not the
// simulated drive) into the station; the options run it.
RunOptions with_real_program(const Station& station);

// The texts of the run's fail records (status 4), in order.
std::vector<std::string> fail_records(const RunResult& result);

// Waits until the file holds the text, at most `seconds`; false when it
// does not by then.
bool wait_for_text(const std::string& path, const std::string& text, int seconds);

// The bytes of one of the build's drive images ("test_program.bin", ...).
std::vector<uint8_t> build_image(uint32_t build, const std::string& name);

// The drive's protocol violations, one per line, for failure messages.
std::string violations_text(const sim::Drive& drive);

}  // namespace e2e
