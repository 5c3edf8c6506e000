// A drive produced with the reference build's banks, its work block
// initialized by the module test, the example station log plug-in loaded and
// the flash test as the current stage.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "host_main/station_log.h"
#include "support/bad_block_drive.h"
#include "support/doubles/fake_clock.h"
#include "support/example_plugin.h"
#include "support/station_records.h"
#include "support/work_block_fixture.h"

class BadBlockTest : public WorkBlockTest {
  protected:
    BadBlockDrive drive;
    std::string records;

    void SetUp() override {
        WorkBlockTest::SetUp();
        fake_clock_set_seconds(1262300399);
        records = load_example_plugin();
        current_stage = STAGE_FLASH_TEST;
        work->initialized = 1;
        drive.attach();
    }
    void TearDown() override {
        station_log_finish();
        WorkBlockTest::TearDown();
    }

    // The station records that a run ended in a child process left: the fail
    // record of the flash test stage and the plug-in's finalize.
    std::vector<std::string> fail_records() const {
        return read_records(records);
    }
};

// Whether the command carries each (word, value); the first that differs is
// named.
inline testing::AssertionResult carries_words(const BadBlockDriveCommand& command,
                                              const std::vector<std::pair<unsigned, uint32_t>>& words) {
    for (const auto& [word, value] : words) {
        if (command[word] != value) {
            return testing::AssertionFailure()
                   << "word " << word << " is 0x" << std::hex << command[word] << ", not 0x" << value;
        }
    }
    return testing::AssertionSuccess();
}

// What a report printed to its stream.
inline std::string printed_to_stream(void (*print)(std::FILE*)) {
    std::FILE* stream = std::tmpfile();
    print(stream);
    std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
    std::rewind(stream);
    const size_t read = std::fread(text.data(), 1, text.size(), stream);
    std::fclose(stream);
    text.resize(read);
    return text;
}

// A runtime entry as the list packs it, for comparing whole lists.
inline uint32_t rt(uint16_t block, uint8_t chip_mask, uint8_t bb_type) {
    return pack_runtime_bb_entry({block, chip_mask, bb_type});
}

inline std::vector<uint32_t> runtime_entries(uint32_t bank) {
    std::vector<uint32_t> entries;
    const uint8_t* list = work->runtime_bb_list[bank];
    for (uint32_t i = 0; i < runtime_bb_count(list); ++i) {
        entries.push_back(pack_runtime_bb_entry(runtime_bb_entry(list, i)));
    }
    return entries;
}

// Initial entries as stored: the block, bit 15 for the high chip.
inline std::vector<uint16_t> initial_entries(uint32_t bank) {
    std::vector<uint16_t> entries;
    const uint8_t* list = work->initial_bb_list[bank];
    for (uint32_t i = 0; i < initial_bb_count(list); ++i) {
        const InitialBbEntry entry = initial_bb_entry(list, i);
        entries.push_back(static_cast<uint16_t>(entry.block | (entry.high_chip ? 0x8000 : 0)));
    }
    return entries;
}
