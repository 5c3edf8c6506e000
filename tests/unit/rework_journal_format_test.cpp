#include "host_mass_production/rework_journal_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"

namespace {

// Build 1's expected banks: 0 to 3 and 8 to 11.
std::unique_ptr<ReworkJournal> sample_journal() {
    auto journal = std::make_unique<ReworkJournal>();
    std::memcpy(journal->serial, "AB12\0CD34EF56GH78IJ9", SERIAL_NUMBER_CHARS);
    journal->cell_test_owed = true;
    for (uint8_t* list : journal->initial_bb_list) {
        clear_initial_bb_list(list);
    }
    for (uint8_t* list : journal->runtime_bb_list) {
        clear_runtime_bb_list(list);
    }
    append_initial_bb_entry(journal->initial_bb_list[2], {500, false});
    append_initial_bb_entry(journal->initial_bb_list[2], {7, true});
    append_initial_bb_entry(journal->initial_bb_list[11], {8191, true});
    append_runtime_bb_entry(journal->runtime_bb_list[2], {600, 1, 4});
    append_runtime_bb_entry(journal->runtime_bb_list[9], {6746, 3, 8});
    return journal;
}

TEST(ReworkJournalFormat, AJournalReadsBackAsWritten) {
    const auto journal = sample_journal();
    const std::string text = format_rework_journal(*journal);
    EXPECT_NE(text.find("serial 4142313200434433344546353647483738494a39\ncell-test 1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("bank 2 initial 2 01f4 8007\nbank 2 runtime 1 04010258\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("bank 4 "), std::string::npos) << "only expected banks";

    auto read = std::make_unique<ReworkJournal>();
    ASSERT_TRUE(parse_rework_journal(text.data(), text.size(), read.get()));
    EXPECT_EQ(std::memcmp(read->serial, journal->serial, SERIAL_NUMBER_CHARS), 0);
    EXPECT_TRUE(read->cell_test_owed);
    EXPECT_EQ(format_rework_journal(*read), text);
    EXPECT_EQ(rework_journal_name(*read), rework_journal_name(*journal));
}

TEST(ReworkJournalFormat, AnythingButACompleteJournalIsRefused) {
    const std::string text = format_rework_journal(*sample_journal());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    const struct {
        const char* what;
        std::string text;
    } damaged[] = {
        {"cut short", text.substr(0, text.size() / 2)},
        {"no end", replaced("end\n", "")},
        {"words after the end", text + "bank 0\n"},
        {"another version", replaced("journal 1", "journal 2")},
        {"a serial too short", replaced("serial 4142", "serial 41")},
        {"a cell-test flag of 2", replaced("cell-test 1", "cell-test 2")},
        {"banks out of order", replaced("bank 2 initial", "bank 3 initial")},
        {"fewer entries than counted", replaced("initial 2 01f4", "initial 3 01f4")},
        {"an entry with a sign", replaced(" 04010258", " -4010258")},
        {"a count beyond the list's room", replaced("bank 0 initial 0", "bank 0 initial 4096")},
        {"an entry wider than 16 bits", replaced(" 01f4", " 101f4")},
    };
    auto read = std::make_unique<ReworkJournal>();
    for (const auto& journal : damaged) {
        EXPECT_FALSE(parse_rework_journal(journal.text.data(), journal.text.size(), read.get()))
            << journal.what;
    }
}

TEST(ReworkJournalFormat, TheKeyIsTheInitialBadBlocksOfTheBanksTheDriveStillTells) {
    const auto journal = sample_journal();
    const auto drive = sample_journal();
    BankSelection every_bank;
    std::fill(std::begin(every_bank), std::end(every_bank), 1);
    // The same blocks in another order: the rescan's order.
    clear_initial_bb_list(drive->initial_bb_list[2]);
    append_initial_bb_entry(drive->initial_bb_list[2], {7, true});
    append_initial_bb_entry(drive->initial_bb_list[2], {500, false});
    EXPECT_TRUE(same_initial_bad_blocks(journal->initial_bb_list, drive->initial_bb_list, every_bank));

    // Bank 11 now reads as if it had none, which its journal denies...
    clear_initial_bb_list(drive->initial_bb_list[11]);
    EXPECT_FALSE(same_initial_bad_blocks(journal->initial_bb_list, drive->initial_bb_list, every_bank));
    // ...unless the drive no longer tells bank 11's list.
    BankSelection known;
    std::copy(std::begin(every_bank), std::end(every_bank), std::begin(known));
    known[11] = 0;
    EXPECT_TRUE(same_initial_bad_blocks(journal->initial_bb_list, drive->initial_bb_list, known));
    EXPECT_TRUE(has_initial_bad_blocks(drive->initial_bb_list, known));
    known[2] = 0;
    EXPECT_FALSE(has_initial_bad_blocks(drive->initial_bb_list, known)) << "the known banks have none";
    // The same chip bit matters: block 7 on the low chip is another block.
    clear_initial_bb_list(drive->initial_bb_list[2]);
    append_initial_bb_entry(drive->initial_bb_list[2], {7, false});
    append_initial_bb_entry(drive->initial_bb_list[2], {500, false});
    EXPECT_FALSE(same_initial_bad_blocks(journal->initial_bb_list, drive->initial_bb_list, every_bank));
}

}  // namespace
