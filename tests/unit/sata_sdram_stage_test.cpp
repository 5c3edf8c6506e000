#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "codec/random.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "little_endian.h"
#include "support/answering_drive.h"
#include "support/captured_exit.h"
#include "support/doubles/fake_clock.h"
#include "support/example_plugin.h"
#include "support/station_records.h"
#include "support/work_block_fixture.h"

namespace {

constexpr uint64_t TEST_AREA_END = 0x3E0F800;
constexpr size_t CHUNKS_PER_HALF = 993;
// Two unlocks and the size probe come before the patterns.
constexpr long COMMAND_TRANSFERS = 12;

struct Chunk {
    bool is_write;
    uint64_t position;
    uint32_t bytes;
    uint32_t pattern;  // what every word of a write holds
    bool uniform;
};

class SataSdramStage : public WorkBlockTest {
  public:
    AnsweringDrive drive;

  protected:
    std::vector<Chunk> chunks;
    std::string records;

    void SetUp() override {
        WorkBlockTest::SetUp();
        fake_clock_set_seconds(1262300399);
        records = load_example_plugin();
        current_stage = STAGE_SATA_TEST;
        drive.attach();
        auto answer = recording_disk.after_transfer;
        recording_disk.after_transfer = [this, answer](DiskTransfer& transfer) {
            if (transfer.position != 0) {
                const uint32_t first = load_le32(transfer.data.data());
                bool uniform = true;
                for (size_t i = 0; i < transfer.data.size() && uniform; i += 4) {
                    uniform = load_le32(transfer.data.data() + i) == first;
                }
                chunks.push_back({transfer.is_write, transfer.position, transfer.bytes, first, uniform});
            }
            answer(transfer);
        };
    }
    void TearDown() override {
        station_log_finish();
        release_run_buffers();
        WorkBlockTest::TearDown();
    }
};

// The pattern sequence of one pass, drawn as the drive's halves must see it.
std::vector<uint32_t> patterns_of_pass(uint32_t pass) {
    random_init(pass);
    std::vector<uint32_t> patterns;
    for (size_t i = 0; i < CHUNKS_PER_HALF; ++i) {
        const auto high = static_cast<uint32_t>(random_range(0, 0xFFFF));
        const auto low = static_cast<uint32_t>(random_range(0, 0xFFFF));
        patterns.push_back(high << 16 | low);
    }
    return patterns;
}

TEST_F(SataSdramStage, FivePassesWriteAndReadTheWholeAreaInChunksOfTheirOwnPatterns) {
    std::vector<std::vector<uint32_t>> expected;
    for (uint32_t pass = 1; pass <= 5; ++pass) {
        expected.push_back(patterns_of_pass(pass));
    }
    EXPECT_NE(expected[0][0], expected[1][0]);

    testing::internal::CaptureStdout();
    sata_sdram_test(3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Size of SDRAM is 64 MB\nSATA/SDRAM test 20%\rSATA/SDRAM test 40%\rSATA/SDRAM test 60%\r"
              "SATA/SDRAM test 80%\rSATA/SDRAM test 100%\r");
    EXPECT_EQ(recording_disk.opened_paths, std::vector<std::string>{"\\\\.\\PHYSICALDRIVE3"});
    EXPECT_EQ(work->drive, 3);
    ASSERT_NE(test_buffer, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(test_buffer) % 512, 0u);

    ASSERT_EQ(chunks.size(), 5 * 2 * CHUNKS_PER_HALF);
    for (size_t half = 0; half < 10; ++half) {
        const bool writes = half % 2 == 0;
        const std::vector<uint32_t>& patterns = expected[half / 2];
        uint64_t position = 512;
        for (size_t i = 0; i < CHUNKS_PER_HALF; ++i) {
            const Chunk& chunk = chunks[half * CHUNKS_PER_HALF + i];
            const uint32_t bytes = i + 1 < CHUNKS_PER_HALF ? 128 * 512 : 123 * 512;
            ASSERT_EQ(chunk.is_write, writes) << "half " << half << " chunk " << i;
            ASSERT_EQ(chunk.position, position) << "half " << half << " chunk " << i;
            ASSERT_EQ(chunk.bytes, bytes) << "half " << half << " chunk " << i;
            if (writes) {
                ASSERT_TRUE(chunk.uniform) << "half " << half << " chunk " << i;
                ASSERT_EQ(chunk.pattern, patterns[i]) << "half " << half << " chunk " << i;
            }
            position += bytes;
        }
        EXPECT_EQ(position, TEST_AREA_END);
    }
}

// The SDRAM fitted, all of it presented as the disk, is the largest disk a
// drive in factory mode can be.
TEST_F(SataSdramStage, ADiskOfThe64MiBFittedIsADriveInFactoryMode) {
    recording_disk.size = 64 << 20;
    testing::internal::CaptureStdout();
    sata_sdram_test(3);
    EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("SATA/SDRAM test 100%\r"));
}

using SataSdramStageDeathTest = SataSdramStage;

TEST_F(SataSdramStageDeathTest, EveryFailureEndsWithItsLineAndRecord) {
    const std::string at = "error at src/host_mass_production/sata_sdram_test\\.cpp [0-9]+\n";
    const std::string size = "Size of SDRAM is 64 MB\n";
    const std::string not_factory_mode =
        "ERROR: target drive \\\\\\\\\\.\\\\PHYSICALDRIVE3 is not a drive in factory mode\n";
    const std::string not_factory_mode_record =
        "Target drive is not a drive in factory mode.\\nTarget drive number = 3\\n";
    struct Case {
        const char* what;
        void (*arrange)(SataSdramStage*);
        std::string console;  // regular expression
        std::string record;
    };
    const Case cases[] = {
        {"no drive", [](SataSdramStage*) { recording_disk.open_answer = platform::INVALID_DISK_HANDLE; },
         "ERROR: cannot open target drive \\\\\\\\\\.\\\\PHYSICALDRIVE3\n" + at,
         "Cannot open target drive.\\nTarget drive number = 3\\n"},
        {"station disk", [](SataSdramStage*) { recording_disk.open_answer = platform::REFUSED_DISK_HANDLE; },
         "ERROR: target drive \\\\\\\\\\.\\\\PHYSICALDRIVE3 is in use by this station\n" + at,
         "Target drive is in use by this station.\\nTarget drive number = 3\\n"},
        {"another run's drive",
         [](SataSdramStage*) { recording_disk.open_answer = platform::BUSY_DISK_HANDLE; },
         "ERROR: target drive \\\\\\\\\\.\\\\PHYSICALDRIVE3 is in use by another production run\n" + at,
         "Target drive is in use by another production run.\\nTarget drive number = 3\\n"},
        // The disk is no SDRAM of a drive in factory mode: short of the test
        // area, larger than 64 MiB, or of a size nobody can tell.
        {"disk one byte short", [](SataSdramStage*) { recording_disk.size = TEST_AREA_END - 1; },
         not_factory_mode + at, not_factory_mode_record},
        {"disk one byte over 64 MiB", [](SataSdramStage*) { recording_disk.size = (64 << 20) + 1; },
         not_factory_mode + at, not_factory_mode_record},
        {"disk of a station", [](SataSdramStage*) { recording_disk.size = 500107862016; },
         not_factory_mode + at, not_factory_mode_record},
        {"size unknown", [](SataSdramStage*) { recording_disk.size = 0; }, not_factory_mode + at,
         not_factory_mode_record},
        {"32 MB", [](SataSdramStage* t) { t->drive.sdram = SdramPart::mb32; },
         "Size of SDRAM is 32 MB\nERROR: SDRAM size is different from set value \\(64 MB\\)\n" + at,
         "SDRAM size is different from set value (64 MB).\\nTarget drive number = 3\\n"},
        {"16 MB", [](SataSdramStage* t) { t->drive.sdram = SdramPart::mb16; },
         "Size of SDRAM is 16 MB\nERROR: SDRAM size is different from set value \\(64 MB\\)\n" + at,
         "SDRAM size is different from set value (64 MB).\\nTarget drive number = 3\\n"},
        {"write fails", [](SataSdramStage*) { recording_disk.fail_transfer = COMMAND_TRANSFERS + 500; },
         size + "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure \\(WRITE protocol error\\)\n" + at,
         "WRITE protocol error"},
        {"read fails in pass 2",
         [](SataSdramStage*) { recording_disk.fail_transfer = COMMAND_TRANSFERS + 3 * CHUNKS_PER_HALF + 10; },
         size +
             "SATA/SDRAM test 20%\rSATA/SDRAM test 40%\rERROR: SATA/SDRAM test failure \\(READ protocol "
             "error\\)\n" +
             at,
         "READ protocol error"},
        // The last byte of the area, in the short last chunk of the last pass.
        {"corruption",
         [](SataSdramStage*) {
             auto answer = recording_disk.after_transfer;
             recording_disk.after_transfer = [answer](DiskTransfer& transfer) {
                 answer(transfer);
                 if (transfer.is_write && transfer.position + transfer.bytes == TEST_AREA_END &&
                     recording_disk.transfers.size() > COMMAND_TRANSFERS + 8 * CHUNKS_PER_HALF) {
                     recording_disk.read_source[TEST_AREA_END - 1] ^= 0x01;
                 }
             };
         },
         size +
             "SATA/SDRAM test 20%\rSATA/SDRAM test 40%\rSATA/SDRAM test 60%\rSATA/SDRAM test 80%\r"
             "SATA/SDRAM test 100%\rERROR: SATA/SDRAM test failure \\(data corruption\\)\n" +
             at,
         "Data corruption error"},
    };
    for (const Case& c : cases) {
        std::remove(records.c_str());
        std::string printed;
        EXPECT_EXIT_CAPTURED(
            {
                c.arrange(this);
                sata_sdram_test(3);
            },
            1, printed);
        EXPECT_TRUE(std::regex_match(printed, std::regex(c.console))) << c.what << ":\n" << printed;
        EXPECT_EQ(read_records(records),
                  (std::vector<std::string>{write_record(0, 4, c.record), FINALIZE_RECORD}))
            << c.what;
    }
}

}  // namespace
