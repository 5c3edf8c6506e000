// The drive file: one simulated drive, its configuration and its whole
// lasting state, little-endian throughout (format in sim/README.md). Only the
// programmed pages are stored, each as a reference into a table of distinct
// page contents, and runs of equal page words in a block as one run.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "little_endian.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr char MAGIC[8] = {'P', 'T', 'S', 'I', 'M', 'D', 'R', 'V'};
// Version 2 added the boot verdict and the last run's counts at the end.
constexpr uint32_t VERSION = 2;
constexpr uint32_t VERSION_WITHOUT_RUN = 1;
constexpr uint32_t NOT_MAPPED = 0xFFFFFFFF;

struct Writer {
    std::FILE* file;
    void bytes(const void* data, size_t length) {
        std::fwrite(data, 1, length, file);
    }
    void u8(uint8_t value) {
        bytes(&value, 1);
    }
    void u16(uint16_t value) {
        uint8_t b[2];
        store_le16(b, value);
        bytes(b, 2);
    }
    void u32(uint32_t value) {
        uint8_t b[4];
        store_le32(b, value);
        bytes(b, 4);
    }
    void u64(uint64_t value) {
        u32(static_cast<uint32_t>(value));
        u32(static_cast<uint32_t>(value >> 32));
    }
};

struct Reader {
    std::FILE* file;
    bool ok = true;
    void bytes(void* data, size_t length) {
        ok = ok && std::fread(data, 1, length, file) == length;
        if (!ok) {
            std::memset(data, 0, length);
        }
    }
    uint8_t u8() {
        uint8_t b = 0;
        bytes(&b, 1);
        return b;
    }
    uint16_t u16() {
        uint8_t b[2];
        bytes(b, 2);
        return load_le16(b);
    }
    uint32_t u32() {
        uint8_t b[4];
        bytes(b, 4);
        return load_le32(b);
    }
    uint64_t u64() {
        const uint64_t low = u32();
        return low | (uint64_t{u32()} << 32);
    }
};

uint64_t* counter_fields(Counters& c, size_t* count) {
    static_assert(sizeof(Counters) == 10 * sizeof(uint64_t));
    *count = 10;
    return &c.power_ons;
}

void write_config(Writer& out, const Drive& drive) {
    const DriveConfig& c = drive.config;
    for (const uint32_t value : {c.build, c.sdram_mb, uint32_t{c.factory_jumper}, c.pages_per_block,
                                 c.ctrl_config, c.ctrl_config_big, c.flash_if_word, c.test_program_length}) {
        out.u32(value);
    }
    Counters counters = drive.counters;
    size_t count;
    const uint64_t* fields = counter_fields(counters, &count);
    for (size_t i = 0; i < count; ++i) {
        out.u64(fields[i]);
    }
    out.u32(drive.program.runs);
    out.u32(drive.program.length);
    out.u64(drive.program.digest);
    out.u64(drive.violation_count);
    out.u32(static_cast<uint32_t>(drive.violations.size()));
    for (const Violation& v : drive.violations) {
        out.u64(v.command);
        out.u32(static_cast<uint32_t>(v.what.size()));
        out.bytes(v.what.data(), v.what.size());
    }
    out.u32(static_cast<uint32_t>(drive.faults.size()));
    for (const Fault& f : drive.faults) {
        out.u32(static_cast<uint32_t>(f.kind));
        for (const int32_t field : {f.bank, f.chip, f.block, f.page}) {
            out.u32(static_cast<uint32_t>(field));
        }
        out.u64(static_cast<uint64_t>(f.sector));
        out.u64(f.after);
        for (const uint32_t field : {f.times, f.fired, f.value, f.column}) {
            out.u32(field);
        }
    }
}

void read_config(Reader& in, Drive& drive) {
    DriveConfig& c = drive.config;
    c.build = in.u32();
    c.sdram_mb = in.u32();
    c.factory_jumper = in.u32() != 0;
    c.pages_per_block = in.u32();
    c.ctrl_config = in.u32();
    c.ctrl_config_big = in.u32();
    c.flash_if_word = in.u32();
    c.test_program_length = in.u32();
    size_t count;
    uint64_t* fields = counter_fields(drive.counters, &count);
    for (size_t i = 0; i < count; ++i) {
        fields[i] = in.u64();
    }
    drive.program.runs = in.u32();
    drive.program.length = in.u32();
    drive.program.digest = in.u64();
    drive.violation_count = in.u64();
    const uint32_t kept = in.u32();
    for (uint32_t i = 0; in.ok && i < kept && i < VIOLATIONS_KEPT; ++i) {
        Violation v{in.u64(), std::string(in.u32() & 0xFFFF, '\0')};
        in.bytes(v.what.data(), v.what.size());
        drive.violations.push_back(std::move(v));
    }
    const uint32_t faults = in.u32();
    for (uint32_t i = 0; in.ok && i < faults && i < 100000; ++i) {
        Fault f;
        f.kind = static_cast<FaultKind>(in.u32());
        for (int32_t* field : {&f.bank, &f.chip, &f.block, &f.page}) {
            *field = static_cast<int32_t>(in.u32());
        }
        f.sector = static_cast<int64_t>(in.u64());
        f.after = in.u64();
        for (uint32_t* field : {&f.times, &f.fired, &f.value, &f.column}) {
            *field = in.u32();
        }
        drive.faults.push_back(f);
    }
}

// New content numbers in order of first use, so that only referenced
// contents are written.
std::vector<uint32_t> number_contents(const Drive& drive, std::vector<uint32_t>* order) {
    std::vector<uint32_t> renumbered(drive.contents.by_id.size(), NOT_MAPPED);
    const uint32_t pages = pages_per_block(drive);
    for (const BankPosition& bank : drive.banks) {
        for (const NandChip& chip : bank.chips) {
            for (const Block& block : chip.blocks) {
                for (uint32_t p = 0; block.pages && p < pages; ++p) {
                    const uint32_t id = block.pages[p] & PAGE_CONTENT;
                    if (block.pages[p] != 0 && renumbered[id] == NOT_MAPPED) {
                        renumbered[id] = static_cast<uint32_t>(order->size());
                        order->push_back(id);
                    }
                }
            }
        }
    }
    return renumbered;
}

void write_block(Writer& out, const Block& block, uint32_t pages, const std::vector<uint32_t>& renumbered) {
    std::vector<std::pair<uint16_t, uint32_t>> runs;
    for (uint32_t p = 0; p < pages; ++p) {
        const uint32_t entry = block.pages[p];
        const uint32_t word = entry == 0 ? 0 : (entry & ~PAGE_CONTENT) | renumbered[entry & PAGE_CONTENT];
        if (!runs.empty() && runs.back().second == word) {
            ++runs.back().first;
        } else {
            runs.push_back({1, word});
        }
    }
    out.u32(static_cast<uint32_t>(runs.size()));
    for (const auto& [count, word] : runs) {
        out.u16(count);
        out.u32(word);
    }
}

void write_chip(Writer& out, const NandChip& chip, uint32_t pages, const std::vector<uint32_t>& renumbered) {
    std::vector<uint16_t> bad, used;
    for (uint32_t b = 0; b < chip.blocks.size(); ++b) {
        if (chip.blocks[b].factory_bad) {
            bad.push_back(static_cast<uint16_t>(b));
        }
        if (chip.blocks[b].pages || chip.blocks[b].next_page != 0) {
            used.push_back(static_cast<uint16_t>(b));
        }
    }
    out.u32(static_cast<uint32_t>(bad.size()));
    for (const uint16_t b : bad) {
        out.u16(b);
    }
    out.u32(static_cast<uint32_t>(used.size()));
    for (const uint16_t b : used) {
        const Block& block = chip.blocks[b];
        out.u16(b);
        out.u16(block.next_page);
        if (block.pages) {
            write_block(out, block, pages, renumbered);
        } else {
            out.u32(0);
        }
    }
}

bool read_chip(Reader& in, Drive& drive, NandChip& chip, const std::vector<uint32_t>& contents_ids) {
    const uint32_t pages = pages_per_block(drive);
    chip.blocks.resize(BLOCKS_PER_CHIP);
    const uint32_t bad = in.u32();
    for (uint32_t i = 0; in.ok && i < bad && i < BLOCKS_PER_CHIP; ++i) {
        chip.blocks[in.u16() % BLOCKS_PER_CHIP].factory_bad = true;
    }
    const uint32_t used = in.u32();
    for (uint32_t i = 0; in.ok && i < used && i < BLOCKS_PER_CHIP; ++i) {
        Block& block = chip.blocks[in.u16() % BLOCKS_PER_CHIP];
        block.next_page = in.u16();
        const uint32_t runs = in.u32();
        uint32_t page = 0;
        for (uint32_t r = 0; in.ok && r < runs; ++r) {
            const uint32_t count = in.u16();
            const uint32_t word = in.u32();
            const uint32_t id = word & PAGE_CONTENT;
            if (page + count > pages || (word != 0 && id >= contents_ids.size())) {
                return false;
            }
            if (!block.pages) {
                block.pages = std::make_unique<uint32_t[]>(pages);
                ++chip.blocks_in_use;
            }
            for (uint32_t k = 0; k < count; ++k) {
                block.pages[page++] = word == 0 ? 0 : (word & ~PAGE_CONTENT) | contents_ids[id];
            }
        }
    }
    return in.ok;
}

std::vector<uint64_t*> run_cost_fields(RunCost& c) {
    std::vector<uint64_t*> fields;
    for (uint64_t& count : c.commands) {
        fields.push_back(&count);
    }
    for (uint64_t* field : {&c.transfers, &c.sectors_written, &c.sectors_read}) {
        fields.push_back(field);
    }
    for (uint64_t& count : c.nand) {
        fields.push_back(&count);
    }
    fields.push_back(&c.waited_ms);
    fields.push_back(&c.nand_busy_us);
    return fields;
}

// The verdict text, then the run's counts as a counted list, so that a
// later version can add counts at its end.
void write_last_run(Writer& out, const Drive& drive) {
    out.u32(static_cast<uint32_t>(drive.boot_verdict.size()));
    out.bytes(drive.boot_verdict.data(), drive.boot_verdict.size());
    RunCost cost = drive.last_run;
    const std::vector<uint64_t*> fields = run_cost_fields(cost);
    out.u32(static_cast<uint32_t>(fields.size()));
    for (const uint64_t* field : fields) {
        out.u64(*field);
    }
}

void read_last_run(Reader& in, Drive& drive) {
    drive.boot_verdict.resize(in.u32() & 0xFFFF);
    in.bytes(drive.boot_verdict.data(), drive.boot_verdict.size());
    const std::vector<uint64_t*> fields = run_cost_fields(drive.last_run);
    const uint32_t stored = in.u32();
    for (uint32_t i = 0; in.ok && i < stored; ++i) {
        const uint64_t value = in.u64();
        if (i < fields.size()) {
            *fields[i] = value;
        }
    }
}

}  // namespace

bool save_drive(const Drive& drive, const std::string& path, std::string* error) {
    const std::string temporary = path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + temporary;
        return false;
    }
    Writer out{file};
    out.bytes(MAGIC, sizeof MAGIC);
    out.u32(VERSION);
    write_config(out, drive);
    std::vector<uint32_t> order;
    const std::vector<uint32_t> renumbered = number_contents(drive, &order);
    out.u32(static_cast<uint32_t>(order.size()));
    for (const uint32_t id : order) {
        const std::string& bytes = contents_of(drive.contents, id);
        out.u32(static_cast<uint32_t>(bytes.size()));
        out.bytes(bytes.data(), bytes.size());
    }
    for (const BankPosition& bank : drive.banks) {
        out.u8(bank.present);
        for (const NandChip& chip : bank.chips) {
            out.bytes(chip.id, ID_BYTES);
            if (bank.present) {
                write_chip(out, chip, pages_per_block(drive), renumbered);
            }
        }
    }
    write_last_run(out, drive);
    const bool written = std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    // Unlike std::rename, this replaces an existing drive file on Windows too.
    std::error_code rename_error;
    if (written && closed) {
        std::filesystem::rename(temporary, path, rename_error);
    }
    if (!written || !closed || rename_error) {
        std::remove(temporary.c_str());
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

std::unique_ptr<Drive> load_drive(const std::string& path, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + path;
        return nullptr;
    }
    Reader in{file};
    char magic[sizeof MAGIC];
    in.bytes(magic, sizeof magic);
    auto drive = std::make_unique<Drive>();
    const uint32_t version = in.u32();
    bool ok = in.ok && std::memcmp(magic, MAGIC, sizeof MAGIC) == 0 &&
              (version == VERSION || version == VERSION_WITHOUT_RUN);
    if (ok) {
        read_config(in, *drive);
        ok = in.ok && drive->config.pages_per_block >= 1 && drive->config.pages_per_block <= 256;
    }
    std::vector<uint32_t> contents_ids;
    const uint32_t contents = ok ? in.u32() : 0;
    intern_contents(drive->contents, nullptr, 0);
    for (uint32_t i = 0; ok && in.ok && i < contents; ++i) {
        const uint32_t length = in.u32();
        ok = length <= CHIP_PAGE_BYTES;
        std::string bytes(ok ? length : 0, '\0');
        in.bytes(bytes.data(), bytes.size());
        contents_ids.push_back(
            intern_contents(drive->contents, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    for (uint32_t b = 0; ok && in.ok && b < BANK_POSITIONS; ++b) {
        BankPosition& bank = drive->banks[b];
        bank.present = in.u8() != 0;
        for (NandChip& chip : bank.chips) {
            in.bytes(chip.id, ID_BYTES);
            ok = ok && (!bank.present || read_chip(in, *drive, chip, contents_ids));
        }
    }
    if (ok && version == VERSION) {
        read_last_run(in, *drive);
    }
    ok = ok && in.ok;
    std::fclose(file);
    if (!ok) {
        *error = path + " is not a valid drive file";
        return nullptr;
    }
    power_on(*drive);
    return drive;
}

}  // namespace sim
