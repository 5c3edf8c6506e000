#include "complete_run_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <regex>

#include "drive_contents.h"
#include "little_endian.h"
#include "model/verdict.h"

namespace e2e_run {

namespace {

// By build number, from 1.
constexpr BuildFacts BUILD_FACTS[] = {
    {1, 0x00000F0F, 128, 3907670, true, 2, 0x0BD1CAFB, 42, 9, 13, 0},
    {2, 0x00000F0F, 128, 3907670, true, 2, 0x0BD1CAFB, 34, 15, 15, 1916},
    {3, 0x0F0F0F0F, 64, 3907670, true, 2, 0x0BD1CAFB, 3, 15, 15, 1916},
    {4, 0x00000F0F, 128, 3907670, true, 2, 0x0BD1CAFB, 8, 9, 13, 0},
    {5, 0xFFFFFFFF, 128, 15628694, false, 1, 0x03D1CAFB, 8, 9, 13, 0},
};

constexpr uint16_t STAMP_SEEDS[16] = {0x1157, 0x3485, 0x4626, 0x7307, 0x1728, 0x1340, 0x4322, 0x1812,
                                      0x1992, 0x0996, 0x7063, 0x7055, 0x3785, 0x2803, 0x5186, 0x4348};
constexpr uint32_t STAMP_PAGE = 4;
constexpr uint32_t BOOTLOADER_PAGE = 5;
constexpr uint32_t CALIBRATION_PAGE = 6;
constexpr uint32_t FIRMWARE_PAGE = 9;
constexpr uint32_t STAMP_BYTES = 1500;
constexpr uint32_t IMAGE_PAGE = 2048;
constexpr uint32_t ENCODED_BYTES = 2160;
constexpr uint32_t PAIRS = 4096;
constexpr uint32_t PAIR_PAGE = 16384;
constexpr uint32_t MARKER = 0xFFFFFFFE;

uint32_t round_up(uint32_t value, uint32_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Where the regions of the metadata image lie in this build.
struct MetadataLayout {
    uint32_t bad_pair_lists, bad_pair_counts, pair_state, bank_records, active_records, tail, end;
};

MetadataLayout metadata_layout(const BuildFacts& facts) {
    const uint32_t n = num_banks(facts);
    const uint32_t p = facts.pages_per_block;
    MetadataLayout layout{};
    layout.bad_pair_lists = round_up(3 * facts.ftl_units + 2, 128);
    layout.bad_pair_counts = layout.bad_pair_lists + n * 2048;
    layout.pair_state = layout.bad_pair_counts + n * 12 + (facts.single_chip_lists ? n * (2056 + 512) : 0);
    layout.bank_records = layout.pair_state + n * (4096 + 4096 * p / 8 + 16384 + 512);
    layout.active_records = layout.bank_records + n * 20;
    layout.tail = layout.active_records + n * (8 + p / 8 + 4 * (p - 1));
    layout.end = layout.tail + 16;
    return layout;
}

// Where the fields of the master info lie in this build.
struct MasterInfoLayout {
    uint32_t second_marker, system_blocks, location, hil_pairs, hil_location, magic, end;
};

MasterInfoLayout master_info_layout(const BuildFacts& facts) {
    const uint32_t n = num_banks(facts);
    MasterInfoLayout layout{};
    layout.second_marker = 4 + 2 * n * facts.master_copies;
    layout.system_blocks = layout.second_marker + 4;
    layout.location = layout.system_blocks + 4 * n;
    layout.hil_pairs = layout.location + 8;
    layout.hil_location = layout.hil_pairs + 2 * n;
    layout.magic = layout.hil_location + 8;
    layout.end = layout.magic + 12;
    return layout;
}

bool all_bytes(const uint8_t* bytes, size_t count, uint8_t value) {
    return std::all_of(bytes, bytes + count, [value](uint8_t b) { return b == value; });
}

std::string text_field(const uint8_t* field, size_t width) {
    return std::string(reinterpret_cast<const char*>(field),
                       strnlen(reinterpret_cast<const char*>(field), width));
}

struct BadPairEntry {
    uint16_t pair;
    uint8_t mask;
    uint8_t type;
    bool operator==(const BadPairEntry&) const = default;
};

// Adds `pair` to the entries from `from` on, or adds its chips to the entry
// it already has there. Pair 0 (block zero) is never a bad pair.
void merge_bad_pair(std::vector<BadPairEntry>& entries, size_t from, uint16_t pair, uint8_t mask,
                    uint8_t type) {
    if (pair == 0) {
        return;
    }
    auto at = std::find_if(entries.begin() + static_cast<std::ptrdiff_t>(from), entries.end(),
                           [pair](const BadPairEntry& e) { return e.pair == pair; });
    if (at != entries.end()) {
        at->mask |= mask;
    } else {
        entries.push_back({pair, mask, type});
    }
}

// The bank's bad pairs as the drive's FTL must get them: the initial
// table's pairs sorted, each once with the chips it is bad on, then the
// runtime table's pairs in table order, merged among themselves.
std::vector<BadPairEntry> expected_bad_pairs(const std::vector<uint16_t>& initial,
                                             const std::vector<uint32_t>& runtime) {
    std::vector<BadPairEntry> sorted;
    for (const uint16_t entry : initial) {
        merge_bad_pair(sorted, 0, (entry >> 1) & 0x3FFF, (entry & 0x8000) ? 2 : 1, 0);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const BadPairEntry& a, const BadPairEntry& b) { return a.pair < b.pair; });
    const size_t runtime_from = sorted.size();
    for (const uint32_t packed : runtime) {
        merge_bad_pair(sorted, runtime_from, (packed & 0xFFFF) >> 1, (packed >> 16) & 0xFF,
                       static_cast<uint8_t>(packed >> 24));
    }
    return sorted;
}

// The metadata image's content as the banks' metadata pairs hold it: unit c
// on bank index c mod N, page c div N.
std::vector<uint8_t> stored_metadata(const sim::Drive& drive, const BuildFacts& facts,
                                     const uint8_t* master_info, uint32_t end) {
    const uint32_t n = num_banks(facts);
    std::vector<uint8_t> image(round_up(end, PAIR_PAGE));
    for (uint32_t unit = 0; unit * PAIR_PAGE < end; ++unit) {
        const uint32_t index = unit % n;
        const std::vector<uint8_t> page = e2e::pair_page(drive, bank_of_index(facts, index),
                                                         load_le16(master_info + 4 + 2 * index), unit / n);
        std::memcpy(image.data() + unit * PAIR_PAGE, page.data(), PAIR_PAGE);
    }
    image.resize(end);
    return image;
}

void expect_stamp(const uint8_t* stamp, const BuildFacts& facts, uint32_t bank) {
    SCOPED_TRACE("stamp of bank " + std::to_string(bank));
    EXPECT_EQ(load_le32(stamp), 0xC0C2E003u);
    EXPECT_EQ(load_le32(stamp + 4), e2e::build_image(facts.build, "bootloader_image.bin").size());
    EXPECT_EQ(load_le32(stamp + 8), e2e::build_image(facts.build, "overlay_image.bin").size());
    EXPECT_EQ(load_le32(stamp + 12), 0u);
    for (uint32_t k = 0; k < 16; ++k) {
        EXPECT_EQ(load_le16(stamp + 16 + 2 * k), STAMP_SEEDS[k]) << "seed " << k;
    }
    EXPECT_EQ(load_le32(stamp + 48), e2e::build_image(facts.build, "firmware_image.bin").size());
    EXPECT_TRUE(all_bytes(stamp + 52 + 4 * num_banks(facts), 128 - 4 * num_banks(facts), 0));
    const uint32_t constants[] = {facts.build_options, facts.flash_type, facts.customer_type,
                                  facts.pcb_type,      65075200,         facts.bank_bmp,
                                  175000000,           num_banks(facts), facts.build_number};
    for (uint32_t k = 0; k < std::size(constants); ++k) {
        EXPECT_EQ(load_le32(stamp + 248 + 4 * k), constants[k]) << "build constant at " << 248 + 4 * k;
    }
}

void expect_image_pages(const sim::Drive& drive, uint32_t bank, uint32_t first_page,
                        const std::vector<uint8_t>& image, const char* name) {
    const uint32_t pages = (static_cast<uint32_t>(image.size()) + IMAGE_PAGE - 1) / IMAGE_PAGE;
    for (uint32_t k = 0; k < pages; ++k) {
        const uint32_t page = first_page + k;
        SCOPED_TRACE(std::string(name) + " page " + std::to_string(page) + " bank " + std::to_string(bank));
        ASSERT_TRUE(e2e::page_programmed(drive, bank, 0, page, true));
        const std::vector<uint8_t> data = e2e::decoded_block_zero_page(drive, bank, page, STAMP_SEEDS);
        ASSERT_EQ(data.size(), IMAGE_PAGE) << "an encoded sector does not check";
        const size_t length = std::min<size_t>(IMAGE_PAGE, image.size() - IMAGE_PAGE * k);
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length),
                               image.begin() + static_cast<std::ptrdiff_t>(IMAGE_PAGE * k)));
        const std::vector<uint8_t> raw = e2e::block_zero_page(drive, bank, page);
        EXPECT_TRUE(all_bytes(raw.data() + ENCODED_BYTES, raw.size() - ENCODED_BYTES, 0xFF));
    }
}

void expect_block_zero(const sim::Drive& drive, const BuildFacts& facts, uint32_t bank,
                       const std::vector<uint8_t>& stamp_of_first_bank,
                       const std::vector<uint8_t>& pattern_of_first_bank) {
    SCOPED_TRACE("block zero of bank " + std::to_string(bank));
    for (uint32_t page = 0; page < 4; ++page) {
        EXPECT_TRUE(e2e::page_programmed(drive, bank, 0, page, false)) << "page " << page;
    }
    for (const uint32_t page : {1u, 2u}) {
        EXPECT_TRUE(all_bytes(e2e::block_zero_page(drive, bank, page).data(), sim::BANK_PAGE_BYTES, 0xFF));
    }
    const std::vector<uint8_t> runtime = e2e::block_zero_page(drive, bank, 3);
    EXPECT_EQ(load_le32(runtime.data()), 0x39FB0248u);
    EXPECT_EQ(load_le32(runtime.data() + 4), 0x77884455u);

    EXPECT_TRUE(e2e::page_programmed(drive, bank, 0, STAMP_PAGE, true));
    const std::vector<uint8_t> stamp = e2e::block_zero_page(drive, bank, STAMP_PAGE);
    expect_stamp(stamp.data(), facts, bank);
    EXPECT_TRUE(std::equal(stamp.begin(), stamp.begin() + STAMP_BYTES, stamp_of_first_bank.begin()));
    EXPECT_TRUE(all_bytes(stamp.data() + STAMP_BYTES, stamp.size() - STAMP_BYTES, 0xFF));

    EXPECT_TRUE(e2e::page_programmed(drive, bank, 0, BOOTLOADER_PAGE, true));
    const std::vector<uint8_t> bootloader = e2e::build_image(facts.build, "bootloader_image.bin");
    const std::vector<uint8_t> page5 = e2e::block_zero_page(drive, bank, BOOTLOADER_PAGE);
    EXPECT_TRUE(std::equal(bootloader.begin(), bootloader.end(), page5.begin()));
    EXPECT_TRUE(all_bytes(page5.data() + bootloader.size(), page5.size() - bootloader.size(), 0xFF));

    for (uint32_t page = CALIBRATION_PAGE; page < FIRMWARE_PAGE; ++page) {
        EXPECT_TRUE(e2e::page_programmed(drive, bank, 0, page, false)) << "page " << page;
    }
    EXPECT_EQ(e2e::block_zero_page(drive, bank, CALIBRATION_PAGE), pattern_of_first_bank);
    const std::vector<uint8_t> page7 = e2e::block_zero_page(drive, bank, 7);
    const std::vector<uint8_t> page8 = e2e::block_zero_page(drive, bank, 8);
    for (uint32_t w = 0; w < sim::BANK_PAGE_BYTES / 4; ++w) {
        ASSERT_EQ(load_le32(page7.data() + 4 * w), 0xFFFF0000u) << "page 7 word " << w;
        ASSERT_EQ(load_le32(page8.data() + 4 * w), (w & 1) ? 0xFFFFFFFFu : 0u) << "page 8 word " << w;
    }

    const std::vector<uint8_t> firmware = e2e::build_image(facts.build, "firmware_image.bin");
    expect_image_pages(drive, bank, FIRMWARE_PAGE, firmware, "firmware");
    const std::vector<uint8_t> overlay = e2e::build_image(facts.build, "overlay_image.bin");
    const uint32_t overlay_page =
        FIRMWARE_PAGE + static_cast<uint32_t>(firmware.size() + IMAGE_PAGE - 1) / IMAGE_PAGE;
    expect_image_pages(drive, bank, overlay_page, overlay, "overlay");
    const uint32_t after_overlay =
        overlay_page + static_cast<uint32_t>(overlay.size() + IMAGE_PAGE - 1) / IMAGE_PAGE;
    EXPECT_FALSE(e2e::page_programmed(drive, bank, 0, after_overlay, true)) << "the overlay runs on";
}

void expect_pair_page_zero(const sim::Drive& drive, uint32_t bank, uint32_t pair, uint32_t page,
                           const char* what) {
    ASSERT_TRUE(e2e::page_programmed(drive, bank, 2 * pair, page, false) &&
                e2e::page_programmed(drive, bank, 2 * pair + 1, page, false))
        << what << " bank " << bank << " pair " << pair << " page " << page;
    const std::vector<uint8_t> bytes = e2e::pair_page(drive, bank, pair, page);
    ASSERT_TRUE(all_bytes(bytes.data(), bytes.size(), 0)) << what << " bank " << bank << " page " << page;
}

void expect_master_info(const uint8_t* info, const BuildFacts& facts, const std::vector<uint8_t>& stamp) {
    const MasterInfoLayout at = master_info_layout(facts);
    const uint32_t n = num_banks(facts);
    EXPECT_EQ(load_le32(info), MARKER);
    for (uint32_t copy = 1; copy < facts.master_copies; ++copy) {
        EXPECT_EQ(std::memcmp(info + 4, info + 4 + 2 * n * copy, 2 * n), 0) << "metadata pair copy " << copy;
    }
    EXPECT_EQ(load_le32(info + at.second_marker), MARKER);
    EXPECT_EQ(std::memcmp(info + at.system_blocks, stamp.data() + 52, 4 * n), 0) << "system blocks";
    for (const uint32_t zero : {at.location, at.location + 4, at.hil_location, at.hil_location + 4}) {
        EXPECT_EQ(load_le32(info + zero), 0u) << "master info " << zero;
    }
    EXPECT_EQ(load_le32(info + at.magic), 0x6DA3E18Cu);
    EXPECT_EQ(load_le32(info + at.magic + 4), 10u);
    EXPECT_EQ(load_le32(info + at.magic + 8), 0xFFFFFFFFu);
}

void expect_metadata(const std::vector<uint8_t>& image, const BuildFacts& facts,
                     const InstalledTables& tables, const uint8_t* info) {
    const MetadataLayout at = metadata_layout(facts);
    const MasterInfoLayout info_at = master_info_layout(facts);
    EXPECT_TRUE(all_bytes(image.data(), at.bad_pair_lists, 0)) << "FTL map";
    for (uint32_t index = 0; index < num_banks(facts); ++index) {
        const uint32_t bank = bank_of_index(facts, index);
        SCOPED_TRACE("metadata of bank " + std::to_string(bank));
        const uint8_t* list = image.data() + at.bad_pair_lists + 2048 * index;
        const uint8_t* counts = image.data() + at.bad_pair_counts + 12 * index;
        const std::vector<BadPairEntry> expected =
            expected_bad_pairs(tables.initial[bank], tables.runtime[bank]);
        EXPECT_EQ(load_le32(list), 2u);
        ASSERT_EQ(load_le16(counts), expected.size());
        for (size_t e = 0; e < expected.size(); ++e) {
            const uint8_t* entry = list + 4 + 4 * e;
            EXPECT_EQ((BadPairEntry{load_le16(entry), entry[2], entry[3]}), expected[e]) << "entry " << e;
        }
        const uint32_t initial = static_cast<uint32_t>(std::count_if(
            expected.begin(), expected.end(), [](const BadPairEntry& e) { return e.type == 0; }));
        EXPECT_EQ(load_le16(counts + 2), initial);
        EXPECT_EQ(load_le16(counts + 4) + load_le16(counts + 6) + load_le16(counts + 8),
                  expected.size() - initial);

        // Every pair the context build allocated is free of bad blocks and
        // used once: metadata, HIL context, zero page, active pair.
        std::vector<uint32_t> used = {
            load_le16(info + 4 + 2 * index), load_le16(info + info_at.hil_pairs + 2 * index),
            load_le16(image.data() + at.bank_records + 20 * index + 2),
            load_le16(image.data() + at.active_records +
                      (8 + facts.pages_per_block / 8 + 4 * (facts.pages_per_block - 1)) * index)};
        for (const uint32_t pair : used) {
            EXPECT_TRUE(pair > 0 && pair < PAIRS) << pair;
            EXPECT_TRUE(std::none_of(expected.begin(), expected.end(),
                                     [pair](const BadPairEntry& e) { return e.pair == pair; }))
                << "pair " << pair << " is bad";
        }
        std::sort(used.begin(), used.end());
        EXPECT_EQ(std::adjacent_find(used.begin(), used.end()), used.end()) << "a pair allocated twice";
    }
    EXPECT_EQ(load_le32(image.data() + at.tail + 8), MARKER);
    EXPECT_EQ(load_le32(image.data() + at.tail + 12), 0xFCE56378u);
}

}  // namespace

const BuildFacts& facts_of(uint32_t build) {
    return BUILD_FACTS[build - 1];
}

uint32_t num_banks(const BuildFacts& facts) {
    return static_cast<uint32_t>(__builtin_popcount(facts.bank_bmp));
}

uint32_t bank_of_index(const BuildFacts& facts, uint32_t index) {
    for (uint32_t bank = 0; bank < sim::BANK_POSITIONS; ++bank) {
        if (((facts.bank_bmp >> bank) & 1) && index-- == 0) {
            return bank;
        }
    }
    return sim::BANK_POSITIONS;
}

std::vector<Record> records_of(const e2e::RunResult& result) {
    std::vector<Record> records;
    for (const e2e::StationRecord& r : result.records) {
        records.emplace_back(r.call, r.stage, r.status, r.text);
    }
    return records;
}

Record write(int stage, int status, const std::string& text) {
    return {"write", stage, status, text};
}

const Record FINALIZE{"finalize", 0, 0, ""};

namespace {

const std::vector<Record> STAGE_RECORDS = {
    {"initialize", 1, 0, ""},
    write(10, 0, "1916"),
    write(0, 0, "SATA Test start.\nDrive number = 1\n"),
    write(0, 1, "SATA Test finish"),
    write(1, 0, "Module Test start"),
    write(1, 1, "Module test finish"),
    write(2, 0, "Flash test start"),
    write(2, 1, "Flash test finish"),
    write(3, 0, "Firmware download start"),
    write(3, 1, "Firmware download finish"),
    FINALIZE,
};

}  // namespace

std::vector<Record> complete_run_records() {
    return STAGE_RECORDS;
}

std::vector<Record> records_until_start_of(int stage) {
    const auto start = std::find_if(STAGE_RECORDS.begin(), STAGE_RECORDS.end(), [stage](const Record& r) {
        return std::get<1>(r) == stage && std::get<2>(r) == 0 && std::get<0>(r) == "write";
    });
    return std::vector<Record>(STAGE_RECORDS.begin(), start + 1);
}

std::vector<Record> failed_run_records(int stage, const std::string& fail_text) {
    std::vector<Record> records = records_until_start_of(stage);
    records.push_back(write(stage, 4, fail_text));
    records.push_back(FINALIZE);
    return records;
}

std::string scenario(uint32_t build, const std::string& members) {
    return "{\"build\": " + std::to_string(build) + members + "}";
}

std::string bank_line(uint32_t bank) {
    char text[48];
    std::snprintf(text, sizeof text, "bank %u=%c%u\t\n", bank, 'A' + bank % 4, bank / 4);
    return text;
}

std::string without_line_numbers(const std::string& out) {
    return std::regex_replace(out, std::regex("((error at|caller =) [^ ]+ )[0-9]+\n"), "$1N\n");
}

std::string id_lines(uint32_t banks, const char* ids, bool trail) {
    std::string text;
    for (uint32_t bank = 0; bank < 32; ++bank) {
        if ((banks >> bank) & 1) {
            char name[16];
            std::snprintf(name, sizeof name, trail ? "Bank %02u(%c%u)" : "bank %02u(%c%u)", bank,
                          'A' + bank % 4, bank / 4);
            text += std::string(name) + " low:" + ids + "\thigh:" + ids + (trail ? "\n\n" : "\n");
        }
    }
    return text;
}

e2e::RunResult run_on_new_drive(uint32_t build, const std::string& name, const std::string& drive_scenario,
                                const std::vector<std::string>& args, const std::string& input) {
    const e2e::Station station = e2e::make_station(build, name + "_b" + std::to_string(build));
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, drive_scenario, &error)) << error;
    e2e::RunResult result = e2e::run(station, args, {.input = input});
    expect_no_violation(result);
    return result;
}

void expect_no_violation(const e2e::RunResult& result) {
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
}

std::string stamp_serial(const sim::Drive& drive) {
    const std::vector<uint8_t> stamp =
        e2e::block_zero_page(drive, e2e::populated_banks(drive).front(), STAMP_PAGE);
    return text_field(stamp.data() + 180, 20);
}

void expect_dumps(const e2e::RunResult& result, const DumpPair& dump) {
    if (dump.bad_name == nullptr) {
        EXPECT_TRUE(result.dumps.empty());
        return;
    }
    ASSERT_EQ(result.dumps.size(), 2u);
    ASSERT_TRUE(result.dumps.count("good.bin") && result.dumps.count(dump.bad_name)) << dump.bad_name;
    const std::vector<uint8_t>& good = result.dumps.at("good.bin");
    ASSERT_EQ(good.size(), dump.bytes);
    std::vector<uint8_t> expected = good;
    if (dump.low_chip_erased == 0) {
        expected[dump.flipped] ^= 0x01;
    }
    const size_t erased_end = std::min(expected.size(), dump.flipped + dump.low_chip_erased);
    for (size_t at = dump.flipped; at < erased_end; at += 2) {
        expected[at] = 0xFF;
    }
    EXPECT_EQ(result.dumps.at(dump.bad_name), expected);
}

InstalledTables tables_on_drive(const sim::Drive& drive) {
    InstalledTables tables;
    tables.initial.resize(sim::BANK_POSITIONS);
    tables.runtime.resize(sim::BANK_POSITIONS);
    for (const uint32_t bank : e2e::populated_banks(drive)) {
        tables.initial[bank] = e2e::initial_entries(e2e::block_zero_page(drive, bank, 0));
        tables.runtime[bank] = e2e::runtime_entries(e2e::block_zero_page(drive, bank, 3));
    }
    return tables;
}

void expect_installed(const sim::Drive& drive, const BuildFacts& facts, const InstalledTables& tables) {
    EXPECT_EQ(drive.boot_verdict, sim::WOULD_BOOT);
    const uint32_t first = bank_of_index(facts, 0);
    const std::vector<uint8_t> stamp = e2e::block_zero_page(drive, first, STAMP_PAGE);
    const std::vector<uint8_t> pattern = e2e::block_zero_page(drive, first, CALIBRATION_PAGE);
    EXPECT_FALSE(all_bytes(pattern.data(), pattern.size(), 0xFF)) << "no calibration pattern";
    for (uint32_t index = 0; index < num_banks(facts); ++index) {
        expect_block_zero(drive, facts, bank_of_index(facts, index), stamp, pattern);
    }

    // The master info lies on the first bank, page 0 of its two system blocks.
    const uint32_t low_block = load_le16(stamp.data() + 52);
    const uint32_t high_block = load_le16(stamp.data() + 54);
    const std::vector<uint8_t> info = e2e::bank_page(drive, first, low_block, high_block, 0);
    expect_master_info(info.data(), facts, stamp);

    const MetadataLayout at = metadata_layout(facts);
    const std::vector<uint8_t> image = stored_metadata(drive, facts, info.data(), at.end);
    expect_metadata(image, facts, tables, info.data());

    for (uint32_t index = 0; index < num_banks(facts); ++index) {
        const uint32_t zero_pair = load_le16(image.data() + at.bank_records + 20 * index + 2);
        for (uint32_t page = 0; page < facts.pages_per_block; ++page) {
            expect_pair_page_zero(drive, bank_of_index(facts, index), zero_pair, page, "zero page");
        }
    }
    expect_pair_page_zero(drive, first, load_le16(info.data() + master_info_layout(facts).hil_pairs), 0,
                          "HIL context");
}

}  // namespace e2e_run
