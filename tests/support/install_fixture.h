// What the installation tests share: a fresh work block, the block-zero drive
// on the recording disk, a current directory of the test's own for the dump
// files, and the example station log plug-in loaded so that the trail takes
// text and a fail record reaches its records file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host_main/station_log.h"
#include "support/block_zero_drive.h"
#include "support/example_plugin.h"
#include "support/scratch_dir.h"
#include "support/work_block_fixture.h"

class InstallTest : public WorkBlockTest {
  protected:
    BlockZeroDrive drive;
    std::string records_path;
    std::filesystem::path previous_directory;
    ScratchDir dumps;

    void SetUp() override {
        WorkBlockTest::SetUp();
        drive.attach();
        previous_directory = std::filesystem::current_path();
        std::filesystem::current_path(dumps.path);
        records_path = load_example_plugin();
        current_stage = STAGE_FIRMWARE_DOWNLOAD;
    }
    void TearDown() override {
        station_log_finish();
        std::filesystem::current_path(previous_directory);
        recording_disk_reset();
        WorkBlockTest::TearDown();
    }

    static bool dump_exists(const char* name) {
        return std::filesystem::exists(name);
    }
    static std::vector<uint8_t> dump(const char* name) {
        std::ifstream file(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    // An empty file as standard input: a question is answered at once.
    static void close_console_input() {
        if (std::freopen("/dev/null", "r", stdin) == nullptr) {
            std::abort();
        }
    }
};
