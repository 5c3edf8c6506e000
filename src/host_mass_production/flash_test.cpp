#include "host_mass_production/flash_test.h"

#include <cstdio>
#include <cstring>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bank_selection.h"
#include "host_actions/bank_status.h"
#include "host_actions/drive_register.h"
#include "host_mass_production/initial_scan.h"
#include "host_mass_production/rework_erase.h"
#include "host_actions/runtime_bb_list.h"
#include "host_install/block_zero_writer.h"
#include "host_install/install_bb_lists.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/drive_side_test.h"
#include "host_mass_production/rework_journal.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "platform/clock.h"

uint32_t blank_count = 0;

namespace {

constexpr uint32_t BLANK_CHECK_POLLS = 3;
constexpr uint32_t BLANK_CHECK_POLL_MS = 10;
constexpr uint32_t FORCED_CELL_TEST_COUNT = 4;
constexpr uint32_t EMPTY_PAGES_FIRST = 1;
constexpr uint32_t EMPTY_PAGES = 2;
constexpr uint32_t EMPTY_PAGE_BYTES = 2048;

void print_in_error_colour(const char* text) {
    set_error_colour();
    std::printf("%s", text);
    restore_colour();
}

[[noreturn]] void fail_with_trail(const char* source_path, unsigned line) {
    station_log_flush();
    fatal_error(source_path, line);
}

// The drive answers a blank check through its busy word; false when it
// stays busy.
bool blank_check_answered(uint32_t bank) {
    fill_flash_op({FOP_BLANK_CHECK, bank, 0, CONTROLLER_BUFFER, BANK_PAGE_BYTES, 0, 0, 0, 1});
    SEND_TO_DEVICE(nullptr, 0);
    for (uint32_t poll = 0; poll < BLANK_CHECK_POLLS; ++poll) {
        platform::sleep_milliseconds(BLANK_CHECK_POLL_MS);
        if (READ_DRIVE_REGISTER(REG_BLANK_CHECK_BUSY, test_buffer) == 0) {
            return true;
        }
    }
    return false;
}

void blank_check(BankSelection& blank) {
    clear_log_buffer();
    put_to_log_buffer("Blank check\n");
    bool every_bank_answered = true;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!is_expected_bank(bank)) {
            continue;
        }
        std::printf(BANK_CONSOLE_NAME "..", BANK_NAME_ARGS(bank));
        put_to_log_buffer(BANK_LOG_NAME, BANK_NAME_ARGS(bank));
        if (!blank_check_answered(bank)) {
            print_in_error_colour("no response from flash\n");
            put_to_log_buffer("\nNo response from flash\n");
            WRITE_DRIVE_REGISTER(REG_BLANK_CHECK_GIVE_UP, bank);
            every_bank_answered = false;
            continue;
        }
        if (read_bank_status()[bank] & BANK_STATUS_NOT_BLANK) {
            print_in_error_colour("NOT blank\n");
            blank[bank] = 0;
        } else {
            std::printf("blank\n");
            blank[bank] = 1;
            ++blank_count;
        }
    }
    if (!every_bank_answered) {
        print_in_error_colour("ERROR: NAND Flash response timeout\n");
        put_to_log_buffer("NAND Flash response timeout\n");
        fail_with_trail(__FILE__, __LINE__);
    }
    clear_log_buffer();
    put_to_log_buffer("Blank check\n");
}

// The drive-side cell test finds the bad blocks that lists the tool could
// not read would have named.
void force_cell_test(uint32_t* kind, uint32_t* count, bool* forced, const char* reason) {
    *kind = FLASH_TEST_NAND;
    *count = FORCED_CELL_TEST_COUNT;
    *forced = true;
    std::printf("NAND Flash cell test will be performed, because %s.\n", reason);
}

// A drive produced before: its tables come back from block zero and its
// used banks are erased. An unreadable stored list forces the cell test.
void prepare_rework(const BankSelection& blank, uint32_t* kind, uint32_t* count, bool* forced) {
    print_in_error_colour("WARNING: The NAND Flash is not clean (being reworked) !!!\n");
    put_to_log_buffer("The NAND Flash is not clean (being reworked)\n\n");
    for (uint8_t* list : work->runtime_bb_list) {
        clear_runtime_bb_list(list);
    }
    switch (find_scan_lists(true)) {
        case STORED_SCAN_LIST_UNREADABLE:
            force_cell_test(kind, count, forced, "scan lists were corrupted");
            break;
        case STORED_RUNTIME_LIST_UNREADABLE:
            force_cell_test(kind, count, forced, "runtime bad block lists were corrupted");
            break;
        default:
            break;
    }
    erase_for_rework(blank);
}

// A scanned bank's initial list is known, even when empty; a reworked
// bank's when its stored scan list was read.
void select_known_initial_lists(const BankSelection& blank, BankSelection& known) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        known[bank] = blank[bank] != 0 || work->scan_list_found[bank] != 0;
    }
}

// From the erase of block zero until the drive is produced, its serial
// number and runtime bad blocks are in the tool alone: an interrupted
// rework's journal comes back first, and a rework's journal is written.
void journal_before_block_zero_erase(uint32_t drive_number, const BankSelection& blank, bool rework,
                                     uint32_t* kind, uint32_t* count, bool* cell_test_forced) {
    BankSelection known = {};
    select_known_initial_lists(blank, known);
    bool cell_test_owed = false;
    const bool journal_taken = take_back_rework_journal(drive_number, known, &cell_test_owed);
    if (cell_test_owed && !*cell_test_forced) {
        force_cell_test(kind, count, cell_test_forced, "the interrupted rework owed it");
    }
    if (rework || journal_taken) {
        keep_rework_journal(*cell_test_forced);
    }
}

void install_block_zero_tables() {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank) && erase_bad_block_list(bank) == 0) {
            fail_with_trail(__FILE__, __LINE__);
        }
    }
    if (install_bb_lists(BB_LISTS_INITIAL) == 0) {
        fail_with_trail(__FILE__, __LINE__);
    }
    std::memset(test_buffer, 0xFF, EMPTY_PAGES * EMPTY_PAGE_BYTES);
    if (write_block_zero_pages(test_buffer, EMPTY_PAGES_FIRST, EMPTY_PAGES, EMPTY_PAGE_BYTES, 0, 0,
                               EMPTY_PAGES * EMPTY_PAGE_BYTES) == 0) {
        fail_with_trail(__FILE__, __LINE__);
    }
}

}  // namespace

void flash_test(uint32_t drive_number, bool operator_mode, bool timing_test, uint32_t kind, uint32_t count) {
    BankSelection blank = {};
    blank_count = 0;
    blank_check(blank);
    bool cell_test_forced = false;
    const bool rework = blank_count != BUILD_NUM_BANKS;
    if (rework) {
        prepare_rework(blank, &kind, &count, &cell_test_forced);
    }
    if (blank_count != 0) {
        std::printf("scanning initial bad blocks\n");
        scan_initial_bad_blocks(test_buffer, blank);
    }
    journal_before_block_zero_erase(drive_number, blank, rework, &kind, &count, &cell_test_forced);
    install_block_zero_tables();

    bool errors_seen = false;
    if (!timing_test && count == 0) {
        if (install_bb_lists(BB_LISTS_RUNTIME) == 0) {
            fail_with_trail(__FILE__, __LINE__);
        }
    } else {
        errors_seen = drive_side_flash_test(kind, count, timing_test, drive_number, test_buffer);
    }
    if (operator_mode) {
        print_initial_bad_blocks(stdout);
        print_runtime_bad_blocks(stdout);
    } else if (errors_seen) {
        print_runtime_bad_blocks(stdout);
    }
}
