#include "host_install/dump_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/captured_exit.h"

namespace {

namespace fs = std::filesystem;

// A current directory of the test's own, as the tool's dumps go to the
// current directory.
class DumpFiles : public testing::Test {
  protected:
    fs::path previous_directory;
    fs::path dir;

    void SetUp() override {
        previous_directory = fs::current_path();
        dir = testing::TempDir() + "dump_files_" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(previous_directory);
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    static void leave(const char* name, const std::string& bytes = "from an earlier run") {
        std::ofstream(name, std::ios::binary) << bytes;
    }
};

using DumpFilesDeathTest = DumpFiles;

TEST_F(DumpFiles, EarlierDumpsAreRemovedAndOtherFilesKept) {
    for (const char* name :
         {"good.bin", "bad.bin", "bad0.bin", "bad9.bin", "bad31.bin", "bad32.bin", "notes.txt"}) {
        leave(name);
    }
    testing::internal::CaptureStdout();
    remove_earlier_dumps();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (const char* name : {"good.bin", "bad.bin", "bad0.bin", "bad9.bin", "bad31.bin"}) {
        EXPECT_FALSE(fs::exists(name)) << name;
    }
    EXPECT_TRUE(fs::exists("bad32.bin"));
    EXPECT_TRUE(fs::exists("notes.txt"));
}

TEST_F(DumpFiles, ADumpIsWrittenWhole) {
    const std::vector<uint8_t> bytes(70000, 0x5A);
    testing::internal::CaptureStdout();
    write_dump_file("bad8.bin", bytes.data(), bytes.size());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(fs::file_size("bad8.bin"), bytes.size());
}

// /dev/full takes the file's place: every write of it fails for want of room,
// root's too.
TEST_F(DumpFiles, ADumpThatDoesNotFitIsNamedWithTheReasonAndRemoved) {
    fs::create_symlink("/dev/full", "good.bin");
    const std::vector<uint8_t> bytes(4096, 0xA5);
    testing::internal::CaptureStdout();
    write_dump_file("good.bin", bytes.data(), bytes.size());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: cannot write good.bin: No space left on device\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status("good.bin")));
    EXPECT_TRUE(fs::exists("/dev/full"));
}

// A directory in the dump's place can be neither removed (it holds a file)
// nor written, root or not.
TEST_F(DumpFiles, ADumpThatCanBeNeitherRemovedNorWrittenIsNamed) {
    fs::create_directory("good.bin");
    leave("good.bin/inside");
    const std::vector<uint8_t> bytes(512, 0);
    testing::internal::CaptureStdout();
    remove_earlier_dumps();
    write_dump_file("good.bin", bytes.data(), bytes.size());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: cannot remove good.bin of an earlier run: Directory not empty\n"
              "ERROR: cannot write good.bin: Is a directory\n");
    EXPECT_TRUE(fs::exists("good.bin/inside"));
}

// What the operator's run does in such a directory; ends the process with 0
// when the earlier dump is emptied and this failure's written.
[[noreturn]] void dump_as_operator() {
    if (::geteuid() == 0 && ::setuid(65534) != 0) {
        std::_Exit(2);
    }
    remove_earlier_dumps();
    const std::vector<uint8_t> bytes(3, 0x11);
    write_dump_file("good.bin", bytes.data(), bytes.size());
    std::fflush(stdout);
    std::_Exit(fs::file_size("good.bin") == 3 && fs::file_size("bad3.bin") == 0 ? 0 : 1);
}

// A directory the operator may not change, with earlier dumps the operator
// may write: they are emptied, so that they tell nothing old, and this
// failure's is written. Root runs the check as nobody.
TEST_F(DumpFilesDeathTest, AnEarlierDumpThatCannotBeRemovedIsEmptied) {
    leave("good.bin");
    leave("bad3.bin");
    fs::permissions("good.bin", fs::perms::all);
    fs::permissions("bad3.bin", fs::perms::all);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    std::string printed;
    EXPECT_EXIT_CAPTURED(dump_as_operator(), 0, printed);
    EXPECT_EQ(printed, "");
}

}  // namespace
