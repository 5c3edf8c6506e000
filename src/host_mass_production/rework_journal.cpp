#include "host_mass_production/rework_journal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/runtime_bb_list.h"
#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/rework_journal_format.h"
#include "host_mass_production/serial_number.h"
#include "run_state/work_block.h"
#include "platform/environment.h"
#include "platform/library.h"
#include "platform/station_files.h"

namespace {

constexpr size_t PATH_CHARS = 4096;
constexpr char DIRECTORY_VARIABLE[] = "PRODTOOL_REWORK_JOURNAL_DIR";
constexpr char DEFAULT_DIRECTORY[] = "rework-journal";
constexpr char JOURNAL_SUFFIX[] = ".journal";
// Far more than the journal of 32 full banks takes.
constexpr long MAX_JOURNAL_BYTES = 4 << 20;

ReworkJournal candidate;
ReworkJournal taken;
ReworkJournal kept;
std::string taken_path;
std::string kept_path;

std::string journal_directory() {
    char path[PATH_CHARS];
    if (platform::environment_variable(DIRECTORY_VARIABLE, path, sizeof path) && path[0] != '\0') {
        return path;
    }
    if (!platform::program_file_path(path, sizeof path)) {
        return DEFAULT_DIRECTORY;
    }
    std::string directory = path;
    directory.erase(directory.rfind(platform::PATH_SEPARATOR) + 1);
    return directory + DEFAULT_DIRECTORY;
}

std::string journal_path(const std::string& name) {
    return journal_directory() + platform::PATH_SEPARATOR + name;
}

bool read_journal(const std::string& path, ReworkJournal* journal) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<char> text(MAX_JOURNAL_BYTES);
    const size_t length = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    return length < text.size() && parse_rework_journal(text.data(), length, journal);
}

bool is_journal_name(const char* name) {
    const size_t length = std::strlen(name);
    const size_t suffix = sizeof JOURNAL_SUFFIX - 1;
    return length > suffix && std::strcmp(name + length - suffix, JOURNAL_SUFFIX) == 0;
}

struct Search {
    const BankSelection* known;
    std::vector<std::string> matches;
};

// A journal is this drive's when its initial bad blocks are; a serial read
// from the drive's stamp must be the journal's too.
bool belongs_to_this_drive(const ReworkJournal& journal, const BankSelection& known) {
    return same_initial_bad_blocks(journal.initial_bb_list, work->initial_bb_list, known) &&
           (serial_origin != SerialOrigin::stamp ||
            std::memcmp(journal.serial, serial_number, SERIAL_NUMBER_CHARS) == 0);
}

void consider_journal(const char* name, void* context) {
    if (!is_journal_name(name)) {
        return;
    }
    const std::string path = journal_path(name);
    if (!read_journal(path, &candidate)) {
        set_error_colour();
        std::printf("WARNING: rework journal %s cannot be read\n", path.c_str());
        restore_colour();
        return;
    }
    auto* search = static_cast<Search*>(context);
    if (belongs_to_this_drive(candidate, *search->known)) {
        if (search->matches.empty()) {
            taken = candidate;
        }
        search->matches.push_back(path);
    }
}

[[noreturn]] void refuse_journals(std::vector<std::string> matches) {
    std::sort(matches.begin(), matches.end());
    for (const std::string& path : matches) {
        std::printf("rework journal %s matches this drive\n", path.c_str());
    }
    set_error_colour();
    std::printf("ERROR: cannot tell which rework journal belongs to this drive\n");
    restore_colour();
    put_to_log_buffer("Rework journal ambiguous\n");
    station_log_flush();
    FATAL_ERROR();
}

// The journal's tables join the drive's: its runtime entries are added, and
// a bank whose initial list the drive no longer tells gets the journal's.
void take_tables(const BankSelection& known) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!is_expected_bank(bank)) {
            continue;
        }
        if (known[bank] == 0) {
            std::memcpy(work->initial_bb_list[bank], taken.initial_bb_list[bank], BB_LIST_BYTES);
            work->scan_list_found[bank] = 1;
        }
        const uint8_t* list = taken.runtime_bb_list[bank];
        for (uint32_t i = 0; i < runtime_bb_count(list); ++i) {
            const RuntimeBbEntry entry = runtime_bb_entry(list, i);
            add_runtime_bad_block(bank, entry.chip_mask, entry.bb_type, entry.block);
        }
    }
}

}  // namespace

bool take_back_rework_journal(uint32_t drive_number, const BankSelection& known, bool* cell_test_owed) {
    Search search = {&known, {}};
    const std::vector<std::string>& matches = search.matches;
    if (!platform::list_directory(journal_directory().c_str(), consider_journal, &search)) {
        set_error_colour();
        std::printf("WARNING: rework journals in %s cannot be read\n", journal_directory().c_str());
        restore_colour();
    }
    if (matches.empty()) {
        return false;
    }
    const bool told_by_stamp = serial_origin == SerialOrigin::stamp;
    if (matches.size() > 1 || (!told_by_stamp && !has_initial_bad_blocks(work->initial_bb_list, known))) {
        refuse_journals(matches);
    }
    take_tables(known);
    taken_path = matches.front();
    *cell_test_owed = taken.cell_test_owed;
    if (serial_origin == SerialOrigin::command_line) {
        std::printf("rework journal found: runtime bad blocks taken back\n");
        put_to_log_buffer("Rework journal found: runtime bad blocks taken back\n");
        return true;
    }
    std::memcpy(serial_number, taken.serial, SERIAL_NUMBER_CHARS);
    std::printf("rework journal found: runtime bad blocks and serial number taken back\n");
    std::printf("serial number = %s\n", serial_number);
    put_to_log_buffer("Rework journal found: runtime bad blocks and serial number taken back\n");
    set_console_title(drive_number);
    return true;
}

void keep_rework_journal(bool cell_test_owed) {
    std::memcpy(kept.serial, serial_number, SERIAL_NUMBER_CHARS);
    kept.cell_test_owed = cell_test_owed;
    std::memcpy(kept.initial_bb_list, work->initial_bb_list, sizeof kept.initial_bb_list);
    std::memcpy(kept.runtime_bb_list, work->runtime_bb_list, sizeof kept.runtime_bb_list);
    const std::string text = format_rework_journal(kept);
    const std::string directory = journal_directory();
    kept_path = journal_path(rework_journal_name(kept));
    if (!platform::make_directory(directory.c_str()) ||
        !platform::replace_file_durably(kept_path.c_str(), reinterpret_cast<const uint8_t*>(text.data()),
                                        text.size())) {
        set_error_colour();
        std::printf("ERROR: cannot write a rework journal in %s\n", directory.c_str());
        restore_colour();
        put_to_log_buffer("Cannot write rework journal\n");
        station_log_flush();
        FATAL_ERROR();
    }
    // The journal taken back is in the new one, which may have another name.
    if (!taken_path.empty() && taken_path != kept_path) {
        platform::remove_file_durably(taken_path.c_str());
    }
    taken_path.clear();
}

void discard_rework_journal() {
    if (kept_path.empty()) {
        return;
    }
    if (!platform::remove_file_durably(kept_path.c_str())) {
        set_error_colour();
        std::printf("WARNING: cannot remove the rework journal %s\n", kept_path.c_str());
        restore_colour();
    }
    kept_path.clear();
}
