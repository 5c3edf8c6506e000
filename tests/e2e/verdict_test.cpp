// The drive's own verdict after complete production runs: a produced and
// reworked drive of every build, dense with factory-bad blocks, would boot,
// and a drive damaged in one item names that item. simdrive show prints the
// verdict beside the run's modeled time.
#include "model/verdict.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "e2e_harness.h"
#include "little_endian.h"
#include "model/boot_check.h"
#include "model/field_use.h"
#include "process.h"

namespace {

constexpr uint32_t SCAN_WAIT_MS = 80000;

std::string scenario(uint32_t build) {
    // A block bad on one chip of the first bank and one on both chips of bank 1.
    return "{\"build\": " + std::to_string(build) +
           ", \"bad_blocks\": [{\"bank\": 0, \"chip\": \"high\", \"block\": 6}, {\"bank\": 1, \"block\": "
           "100}]}";
}

// Factory-bad blocks spread densely at random over every chip (one block in
// a hundred), and block 1 bad on the low chip of bank 0, the first bank of
// every build, so that its high-chip system block is block 1.
std::string dense_scenario(uint32_t build) {
    return "{\"build\": " + std::to_string(build) +
           ", \"bad_block_density\": {\"per_mille\": 10, \"seed\": " + std::to_string(100 + build) +
           "}, \"bad_blocks\": [{\"bank\": 0, \"chip\": \"low\", \"block\": 1}]}";
}

e2e::RunResult produce(const e2e::Station& station, const std::string& drive_scenario) {
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, drive_scenario, &error)) << error;
    return e2e::run(station, {"1"});
}

std::string simdrive_show(const e2e::Station& station) {
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = SIMDRIVE_PROGRAM;
    launch.args = {"show", e2e::drive_file(station)};
    launch.stdin_path = "/dev/null";
    launch.stdout_path = station.dir + "/show.txt";
    launch.stderr_path = station.dir + "/show_err.txt";
    EXPECT_EQ(e2e::run_process(launch), 0);
    std::ifstream in(launch.stdout_path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint16_t bank_page_u16(const sim::Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high,
                       uint32_t page, uint32_t at) {
    uint8_t halves[2][sim::CHIP_PAGE_BYTES];
    sim::chip_page_bytes(drive, sim::chip_page_entry(drive, bank, sim::LOW, block_low, page), halves[0]);
    sim::chip_page_bytes(drive, sim::chip_page_entry(drive, bank, sim::HIGH, block_high, page), halves[1]);
    return static_cast<uint16_t>(halves[0][at / 2] | halves[1][at / 2] << 8);
}

// Where the master info lies: the stamp's system blocks of the first bank.
struct MasterPlace {
    uint32_t bank, low, high;
};

MasterPlace master_place(const sim::Drive& drive) {
    const uint32_t bank = sim::boot_layout(drive).banks.front();
    return {bank, bank_page_u16(drive, bank, 0, 0, sim::STAMP_PAGE, 52),
            bank_page_u16(drive, bank, 0, 0, sim::STAMP_PAGE, 54)};
}

// The rework erases block zero and every block from 1 to 8190 of every
// bank, but for the blocks bad on both chips; at least the latter.
uint64_t rework_erases_at_least(const sim::Drive& drive) {
    uint64_t erases = 0;
    for (const uint32_t bank : sim::boot_layout(drive).banks) {
        const auto& chips = drive.banks[bank].chips;
        for (uint32_t block = 1; block <= 8190; ++block) {
            erases += chips[sim::LOW].blocks[block].factory_bad && chips[sim::HIGH].blocks[block].factory_bad
                          ? 0
                          : 1;
        }
    }
    return erases;
}

TEST(BootVerdict, ProducedAndReworkedDrivesOfEveryBuildWouldBoot) {
    for (const uint32_t build : e2e::built_builds()) {
        SCOPED_TRACE("build " + std::to_string(build));
        const e2e::Station station = e2e::make_station(build, "verdict_b" + std::to_string(build));
        const e2e::RunResult produced = produce(station, dense_scenario(build));
        ASSERT_EQ(produced.exit_code, 0) << produced.out;
        ASSERT_TRUE(produced.drive);
        EXPECT_EQ(produced.drive->violation_count, 0u) << e2e::violations_text(*produced.drive);
        EXPECT_EQ(produced.drive->boot_verdict, sim::WOULD_BOOT);
        EXPECT_EQ(master_place(*produced.drive).high, 1u) << "the high chip's system block";

        // A new drive's run: every sector and the scan's wait are this run's.
        const sim::RunCost& cost = produced.drive->last_run;
        EXPECT_EQ(cost.sectors_written, produced.drive->counters.sectors_written);
        EXPECT_EQ(cost.sectors_read, produced.drive->counters.sectors_read);
        EXPECT_EQ(cost.commands[sim::DEVICE_RESET_COMMAND], 1u);
        EXPECT_GE(cost.waited_ms, SCAN_WAIT_MS);
        const std::string shown = simdrive_show(station);
        EXPECT_NE(shown.find("\nboot verdict: would boot\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("modeled drive time "), std::string::npos) << shown;

        std::string error, log;
        std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
        ASSERT_TRUE(drive) << error;
        ASSERT_TRUE(sim::age_in_field(*drive, 2, build, &log));
        ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;
        const e2e::RunResult reworked = e2e::run(station, {"1"});
        ASSERT_EQ(reworked.exit_code, 0) << reworked.out;
        ASSERT_TRUE(reworked.drive);
        EXPECT_EQ(reworked.drive->boot_verdict, sim::WOULD_BOOT) << log;
        EXPECT_EQ(reworked.drive->violation_count, 0u) << e2e::violations_text(*reworked.drive);
        EXPECT_GE(reworked.drive->last_run.nand[sim::NAND_BLOCK_ERASE],
                  rework_erases_at_least(*reworked.drive));
    }
}

// The produced drive of the first build, made once for the damage cases.
class DamagedDrive : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        station_ = new e2e::Station(e2e::make_station(e2e::built_builds().front(), "verdict_damage"));
        const e2e::RunResult produced = produce(*station_, scenario(station_->build));
        produced_ =
            produced.exit_code == 0 && produced.drive && produced.drive->boot_verdict == sim::WOULD_BOOT;
    }
    static void TearDownTestSuite() {
        delete station_;
    }
    static e2e::Station* station_;
    static bool produced_;
};

e2e::Station* DamagedDrive::station_ = nullptr;
bool DamagedDrive::produced_ = false;

// Byte `at` of a bank page lies on the low chip (even) or the high chip
// (odd); the chip page gets a content of its own with the byte changed.
void change_byte(sim::Drive& drive, uint32_t bank, uint32_t block, uint32_t page, uint32_t at,
                 const std::function<uint8_t(uint8_t)>& change) {
    uint32_t& entry = drive.banks[bank].chips[at % 2].blocks[block].pages[page];
    uint8_t bytes[sim::CHIP_PAGE_BYTES];
    sim::chip_page_bytes(drive, entry, bytes);
    bytes[at / 2] = change(bytes[at / 2]);
    entry = (entry & ~sim::PAGE_CONTENT) | sim::intern_contents(drive.contents, bytes, sim::CHIP_PAGE_BYTES);
}

// The stamp of every bank names `block` as the first bank's low-chip system
// block (a u16 at byte 52: its low byte on the low chip, its high byte on
// the high chip).
void set_first_system_block(sim::Drive& drive, const sim::BootLayout& layout, uint16_t block) {
    for (const uint32_t bank : layout.banks) {
        change_byte(drive, bank, 0, sim::STAMP_PAGE, 52, [block](uint8_t) { return uint8_t(block); });
        change_byte(drive, bank, 0, sim::STAMP_PAGE, 53, [block](uint8_t) { return uint8_t(block >> 8); });
    }
}

uint8_t flip_bit(uint8_t byte) {
    return byte ^ 0x10;
}

TEST_F(DamagedDrive, EachDamagedItemIsTheReason) {
    ASSERT_TRUE(produced_) << "the drive to damage was not produced";
    std::string error;
    const std::unique_ptr<sim::Drive> produced = sim::load_drive(e2e::drive_file(*station_), &error);
    ASSERT_TRUE(produced) << error;
    const std::string last_bank = std::to_string(sim::boot_layout(*produced).banks.back());
    using Damage = std::function<void(sim::Drive&, const sim::BootLayout&)>;
    struct Case {
        const char* name;
        Damage damage;
        std::string reason;
    };
    const Case cases[] = {
        {"a flipped bit in a firmware page",
         [](sim::Drive& d, const sim::BootLayout& l) { change_byte(d, l.banks[1], 0, 12, 200, flip_bit); },
         "firmware: bank 1 page 12 sector 0 fails its check word or parity"},
        {"a wrong scrambler seed in every stamp",
         [](sim::Drive& d, const sim::BootLayout& l) {
             for (const uint32_t bank : l.banks) {
                 change_byte(d, bank, 0, sim::STAMP_PAGE, 16 + 2 * 2, flip_bit);
             }
         },
         "firmware: bank 0 page 9 sector 2, unscrambled with the stamp's seed 4636, is not the build's "
         "firmware"},
        {"another serial number in the last bank's stamp",
         [](sim::Drive& d, const sim::BootLayout& l) {
             change_byte(d, l.banks.back(), 0, sim::STAMP_PAGE, 180, flip_bit);
         },
         "stamp: bank " + last_bank + " holds another stamp than bank 0"},
        {"a changed bootloader byte",
         [](sim::Drive& d, const sim::BootLayout& l) {
             change_byte(d, l.banks[2], 0, sim::BOOTLOADER_PAGE, 100, flip_bit);
         },
         "bootloader: bank 2 page 5 differs from the build's bootloader"},
        {"a stale master info, naming another metadata pair of bank index 1",
         [](sim::Drive& d, const sim::BootLayout& l) {
             const MasterPlace at = master_place(d);
             for (uint32_t copy = 0; copy < l.master_copies; ++copy) {
                 const uint32_t offset = 4 + 2 * static_cast<uint32_t>(l.banks.size()) * copy + 2;
                 change_byte(d, at.bank, at.low, 0, offset, [](uint8_t b) { return uint8_t(b + 1); });
             }
         },
         "metadata: bank 1 low chip block "},
        {"system block 0 in every stamp: block zero is the stamp's own",
         [](sim::Drive& d, const sim::BootLayout& l) { set_first_system_block(d, l, 0); },
         "stamp: the low-chip system block of bank index 0 is block 0"},
        {"system block 8192 in every stamp: beyond the chip",
         [](sim::Drive& d, const sim::BootLayout& l) { set_first_system_block(d, l, 8192); },
         "stamp: the low-chip system block of bank index 0 is block 8192"},
        {"a factory-bad block the tables do not know",
         [](sim::Drive& d, const sim::BootLayout& l) {
             d.banks[l.banks[2]].chips[sim::HIGH].blocks[300].factory_bad = true;
         },
         "bad-block tables: bank 2 high chip block 300 is bad but in neither table"},
        {"a byte in the HIL context",
         [](sim::Drive& d, const sim::BootLayout& l) {
             const MasterPlace at = master_place(d);
             const uint32_t pair = bank_page_u16(d, at.bank, at.low, at.high, 0, l.master_hil_pairs);
             change_byte(d, at.bank, 2 * pair, 0, 10, flip_bit);
         },
         "HIL context: bank 0 pair "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(*station_), &error);
        ASSERT_TRUE(drive) << error;
        c.damage(*drive, sim::boot_layout(*drive));
        const std::string verdict = sim::judge_boot(*drive);
        EXPECT_EQ(verdict.substr(0, c.reason.size()), c.reason) << verdict;
    }
}

}  // namespace
