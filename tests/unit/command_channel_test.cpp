#include "host_main/command_channel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "support/captured_exit.h"
#include "support/doubles/fake_clock.h"
#include "support/doubles/recording_disk.h"
#include "support/example_plugin.h"
#include "support/station_records.h"
#include "support/work_block_fixture.h"

namespace {

struct Expected {
    bool is_write;
    uint64_t position;
    uint32_t bytes;
};

class CommandChannel : public WorkBlockTest {
  protected:
    uint8_t* payload = nullptr;

    void SetUp() override {
        WorkBlockTest::SetUp();
        payload = static_cast<uint8_t*>(platform::aligned_allocate(300 * 512));
        fake_clock_set_seconds(1000);
    }
    void TearDown() override {
        platform::aligned_release(payload);
        WorkBlockTest::TearDown();
    }

    static void expect_transfers(const std::vector<Expected>& expected) {
        const std::vector<DiskTransfer>& got = recording_disk.transfers;
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(got[i].is_write, expected[i].is_write) << "transfer " << i;
            EXPECT_EQ(got[i].position, expected[i].position) << "transfer " << i;
            EXPECT_EQ(got[i].bytes, expected[i].bytes) << "transfer " << i;
        }
    }
};

TEST_F(CommandChannel, PayloadsGoToTheDataWindowInChunksThenTheCommandToSectorZero) {
    const struct {
        const void* payload_offset_null;
        uint32_t sectors;
        std::vector<Expected> transfers;
    } cases[] = {
        {nullptr, 5, {{true, 0, 512}}},
        {payload, 1, {{true, 0x100000, 512}, {true, 0, 512}}},
        {payload, 256, {{true, 0x100000, 256 * 512}, {true, 0, 512}}},
        {payload, 257, {{true, 0x100000, 256 * 512}, {true, 0x100000 + 0x20000, 512}, {true, 0, 512}}},
    };
    for (const auto& c : cases) {
        recording_disk_reset();
        send_to_device(c.payload_offset_null, c.sectors);
        expect_transfers(c.transfers);
    }
}

TEST_F(CommandChannel, ReadsComeInChunksFromTheStartSector) {
    const struct {
        uint32_t start;
        uint32_t sectors;
        std::vector<Expected> transfers;
    } cases[] = {
        {0, 1, {{false, 0, 512}}},
        {2048, 0, {}},
        {2048, 200, {{false, 0x100000, 200 * 512}}},
        {2048, 300, {{false, 0x100000, 256 * 512}, {false, 0x100000 + 0x20000, 44 * 512}}},
    };
    for (const auto& c : cases) {
        recording_disk_reset();
        recv_from_device(c.start, payload, c.sectors);
        expect_transfers(c.transfers);
    }
}

TEST_F(CommandChannel, CheckPairSumsToZeroAndStaysWithinTheSecond) {
    std::vector<uint32_t> checks;
    for (int64_t seconds : std::vector<int64_t>{0, 1000, 1000, 1001, 0x7FFFFFFF, 0x1FFFFFFFF}) {
        fake_clock_set_seconds(seconds);
        recording_disk_reset();
        send_to_device(nullptr, 0);
        const uint8_t* sector = recording_disk.transfers.back().data.data();
        const uint32_t check = load_le32(sector + 4 * WORD_CHECK);
        EXPECT_EQ(check + load_le32(sector + 4 * WORD_CHECK_NEG), 0u);
        EXPECT_LE(check, 0x7FFFFFFEu);
        checks.push_back(check);
    }
    EXPECT_EQ(checks[1], checks[2]) << "same second, same check word";
    EXPECT_NE(checks[2], checks[3]);
}

TEST_F(CommandChannel, CommandSectorIsWrittenAsTheBufferHoldsIt) {
    fill_read_reg(0x600007A4);
    send_to_device(nullptr, 0);
    const std::vector<uint8_t>& sector = recording_disk.transfers.back().data;
    EXPECT_EQ(std::vector<uint8_t>(work->command, work->command + 512), sector);
    EXPECT_EQ(load_le32(sector.data()), 0x10u);
    EXPECT_EQ(load_le32(sector.data() + 4 * 27), 0x600007A4u);
}

TEST_F(CommandChannel, LargestPayloadCountPassesTheCheck) {
    uint8_t* big = static_cast<uint8_t*>(platform::aligned_allocate(256 * 512));
    recording_disk.fail_transfer = 0;  // stop at the first chunk: the count was accepted
    std::string printed;
    EXPECT_EXIT_CAPTURED(SEND_TO_DEVICE(big, 0x3E0EFFF), 1, printed);
    EXPECT_EQ(printed.find("ERROR: no response from drive\t\t\n"), 0u) << printed;
    platform::aligned_release(big);
}

using CommandChannelDeathTest = CommandChannel;

// Each end also delivers the trail, with the channel's own line last, as the
// one fail record, and finalizes the plug-in.
TEST_F(CommandChannelDeathTest, RefusalsAndFailuresEndWithTheirLinesBeforeOrAfterTheDisk) {
    const std::string at = "error at src/host_main/command_channel\\.cpp [0-9]+\n";
    struct Case {
        const char* what;
        void (*call)(uint8_t* payload);
        long fail_transfer;
        std::string console;  // regular expression
        size_t transfers;     // made before the end
        const char* record;   // the channel's line, JSON-escaped
    };
    const Case cases[] = {
        {"send misaligned", [](uint8_t* p) { SEND_TO_DEVICE(p + 4, 1); }, -1,
         "ERROR: buffer address is not aligned\ncaller = .*command_channel_test\\.cpp [0-9]+\n" + at, 0,
         "Sent to device : Buffer address is not aligned"},
        {"send count 0", [](uint8_t* p) { SEND_TO_DEVICE(p, 0); }, -1,
         "caller = .*command_channel_test\\.cpp [0-9]+\n" + at, 0, "Sent to device : Sector count is 0\\n"},
        {"send count too large", [](uint8_t* p) { SEND_TO_DEVICE(p, 0x3E0F000); }, -1,
         "ERROR: sect_cnt is too large\ncaller = .* [0-9]+\nsect_cnt = 65073152\n" + at, 0,
         "Sent to device : Sector count is too large\\n"},
        {"payload write fails", [](uint8_t* p) { SEND_TO_DEVICE(p, 257); }, 1,
         "ERROR: no response from drive\t\t\ncaller = .* [0-9]+\nsect_cnt = 1\n" + at, 2,
         "Sent to device : No response from drive\\n"},
        {"command write fails", [](uint8_t* p) { SEND_TO_DEVICE(p, 1); }, 1,
         "ERROR: no response from drive\t\t\ncaller = .* [0-9]+\n" + at, 2,
         "Sent to device : No response from drive\\n"},
        {"recv misaligned", [](uint8_t* p) { RECV_FROM_DEVICE(0, p + 4, 1); }, -1,
         "ERROR: buffer address is not aligned\ncaller = .* [0-9]+\n" + at, 0,
         "Recv from device : Buffer address is not aligned\\n"},
        {"read fails", [](uint8_t* p) { RECV_FROM_DEVICE(2048, p, 300); }, 1,
         "\nERROR: no response from drive\t\t\ncaller = .* [0-9]+\n" + at, 2,
         "Recv from device : No response from drive\\n"},
    };
    const std::string records = load_example_plugin();
    current_stage = STAGE_SATA_TEST;
    for (const Case& c : cases) {
        std::remove(records.c_str());
        clear_log_buffer();
        put_to_log_buffer("Enable factory mode\n");
        recording_disk_reset();
        recording_disk.fail_transfer = c.fail_transfer;
        std::string printed;
        EXPECT_EXIT_CAPTURED(
            {
                std::atexit([] { std::printf("transfers = %zu\n", recording_disk.transfers.size()); });
                c.call(payload);
            },
            1, printed);
        const std::string made = "transfers = " + std::to_string(c.transfers) + "\n";
        EXPECT_TRUE(std::regex_match(printed, std::regex(c.console + made))) << c.what << ":\n" << printed;
        EXPECT_TRUE(recording_disk.transfers.empty()) << "the parent's disk is untouched";
        const std::vector<std::string> fail_record = {
            write_record(STAGE_SATA_TEST, STATUS_FAIL, std::string("Enable factory mode\\n") + c.record),
            FINALIZE_RECORD};
        EXPECT_EQ(read_records(records), fail_record) << c.what;
    }
    station_log_finish();
}

}  // namespace
