#include "model/scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "model/json.h"

namespace sim {

namespace {

using Type = JsonValue::Type;

struct Reading {
    std::string error;
    bool fail(const std::string& what) {
        if (error.empty()) {
            error = what;
        }
        return false;
    }
};

// A whole number, written as a JSON number or as a text ("0x0F0F", "12").
bool whole_number(const JsonValue& value, int64_t* out) {
    if (value.type == Type::number && std::floor(value.number) == value.number) {
        *out = static_cast<int64_t>(value.number);
        return true;
    }
    if (value.type == Type::string && !value.text.empty()) {
        char* end = nullptr;
        *out = std::strtoll(value.text.c_str(), &end, 0);
        return *end == '\0';
    }
    return false;
}

bool field(Reading& r, const JsonValue& object, const char* name, int64_t low, int64_t high, int64_t* out) {
    const JsonValue* value = object.member(name);
    if (value == nullptr) {
        return true;
    }
    if (!whole_number(*value, out) || *out < low || *out > high) {
        return r.fail(std::string("\"") + name + "\" must be a number from " + std::to_string(low) + " to " +
                      std::to_string(high));
    }
    return true;
}

bool known_members(Reading& r, const JsonValue& object, const char* where,
                   std::initializer_list<std::string_view> names) {
    if (object.type != Type::object) {
        return r.fail(std::string(where) + " must be an object");
    }
    for (const std::string& key : object.member_names) {
        bool known = false;
        for (const std::string_view name : names) {
            known = known || key == name;
        }
        if (!known) {
            return r.fail(std::string(where) + " has no member \"" + key + "\"");
        }
    }
    return true;
}

// "low", "high" or "both" (also 0, 1); both is ANY.
bool chip_field(Reading& r, const JsonValue& object, int32_t* chip) {
    const JsonValue* value = object.member("chip");
    *chip = ANY;
    if (value == nullptr || (value->type == Type::string && value->text == "both")) {
        return true;
    }
    if (value->type == Type::string && (value->text == "low" || value->text == "high")) {
        *chip = value->text == "low" ? LOW : HIGH;
        return true;
    }
    if (value->type == Type::number && (value->number == 0 || value->number == 1)) {
        *chip = static_cast<int32_t>(value->number);
        return true;
    }
    return r.fail("\"chip\" must be \"low\", \"high\" or \"both\"");
}

bool read_population(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* banks = scenario.member("banks");
    if (banks == nullptr) {
        return true;
    }
    uint32_t map = 0;
    int64_t number = 0;
    if (banks->type == Type::array) {
        for (const JsonValue& item : banks->items) {
            if (!whole_number(item, &number) || number < 0 || number > 31) {
                return r.fail("\"banks\" lists bank positions 0 to 31");
            }
            map |= 1u << number;
        }
    } else if (whole_number(*banks, &number) && number >= 0 && number <= 0xFFFFFFFFll) {
        map = static_cast<uint32_t>(number);
    } else {
        return r.fail("\"banks\" is a bank map or a list of bank positions");
    }
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        BankPosition& bank = drive.banks[b];
        bank.present = (map >> b) & 1;
        for (NandChip& chip : bank.chips) {
            chip.blocks.clear();
            chip.blocks.resize(bank.present ? BLOCKS_PER_CHIP : 0);
        }
    }
    return true;
}

bool read_id_bytes(Reading& r, const JsonValue& value, uint8_t* id) {
    if (value.type == Type::string) {
        const char* text = value.text.c_str();
        for (uint32_t j = 0; j < ID_BYTES; ++j) {
            char* end = nullptr;
            const long byte = std::strtol(text, &end, 16);
            if (end == text || byte < 0 || byte > 0xFF) {
                return r.fail("an \"id\" text holds five hex bytes");
            }
            id[j] = static_cast<uint8_t>(byte);
            text = end;
        }
        return true;
    }
    if (value.type != Type::array || value.items.size() != ID_BYTES) {
        return r.fail("\"id\" holds five bytes");
    }
    for (uint32_t j = 0; j < ID_BYTES; ++j) {
        int64_t byte = 0;
        if (!whole_number(value.items[j], &byte) || byte < 0 || byte > 0xFF) {
            return r.fail("\"id\" holds five bytes");
        }
        id[j] = static_cast<uint8_t>(byte);
    }
    return true;
}

bool read_ids(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* ids = scenario.member("ids");
    for (size_t i = 0; ids != nullptr && i < ids->items.size(); ++i) {
        const JsonValue& item = ids->items[i];
        int64_t bank = -1;
        int32_t chip = ANY;
        uint8_t id[ID_BYTES];
        if (!known_members(r, item, "an \"ids\" entry", {"bank", "chip", "id"}) ||
            !field(r, item, "bank", 0, 31, &bank) || !chip_field(r, item, &chip) ||
            item.member("id") == nullptr || !read_id_bytes(r, *item.member("id"), id) || bank < 0) {
            return r.fail("an \"ids\" entry names a bank, optionally a chip, and an id");
        }
        for (uint32_t c = 0; c < 2; ++c) {
            if (chip == ANY || chip == static_cast<int32_t>(c)) {
                std::copy_n(id, ID_BYTES, drive.banks[bank].chips[c].id);
            }
        }
    }
    return true;
}

void mark_bad(Drive& drive, int64_t bank, int32_t chip, int64_t block) {
    for (uint32_t c = 0; c < 2; ++c) {
        if ((chip == ANY || chip == static_cast<int32_t>(c)) && drive.banks[bank].present) {
            drive.banks[bank].chips[c].blocks[block].factory_bad = true;
        }
    }
}

bool read_bad_blocks(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* list = scenario.member("bad_blocks");
    for (size_t i = 0; list != nullptr && i < list->items.size(); ++i) {
        const JsonValue& item = list->items[i];
        int64_t bank = -1, block = -1;
        int32_t chip = ANY;
        if (!known_members(r, item, "a \"bad_blocks\" entry", {"bank", "chip", "block"}) ||
            !field(r, item, "bank", 0, 31, &bank) || !field(r, item, "block", 0, 8191, &block) ||
            !chip_field(r, item, &chip) || bank < 0 || block < 0) {
            return r.fail("a \"bad_blocks\" entry names a bank, a block and optionally a chip");
        }
        mark_bad(drive, bank, chip, block);
    }
    return true;
}

// Factory-bad blocks spread over every populated chip: each block but block
// zero is bad with the given chance, drawn from a generator seeded per chip.
bool read_density(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* density = scenario.member("bad_block_density");
    if (density == nullptr) {
        return true;
    }
    int64_t per_mille = 0, seed = 1;
    if (!known_members(r, *density, "\"bad_block_density\"", {"per_mille", "seed"}) ||
        !field(r, *density, "per_mille", 0, 1000, &per_mille) ||
        !field(r, *density, "seed", 0, 0xFFFFFFFFll, &seed)) {
        return false;
    }
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        for (uint32_t c = 0; c < 2 && drive.banks[b].present; ++c) {
            uint64_t state = static_cast<uint64_t>(seed) * 0x9E3779B97F4A7C15ull + b * 2 + c + 1;
            for (uint32_t block = 1; block < BLOCKS_PER_CHIP; ++block) {
                state ^= state << 13;
                state ^= state >> 7;
                state ^= state << 17;
                if (state % 1000 < static_cast<uint64_t>(per_mille)) {
                    drive.banks[b].chips[c].blocks[block].factory_bad = true;
                }
            }
        }
    }
    return true;
}

bool read_fault(Reading& r, const JsonValue& item, Fault* fault) {
    if (!known_members(
            r, item, "a \"faults\" entry",
            {"kind", "bank", "chip", "block", "page", "sector", "after", "times", "value", "column"})) {
        return false;
    }
    const JsonValue* kind = item.member("kind");
    if (kind == nullptr || kind->type != Type::string || !fault_kind_from_name(kind->text, &fault->kind)) {
        return r.fail("a \"faults\" entry has an unknown \"kind\"");
    }
    int64_t bank = ANY, block = ANY, page = ANY, sector = ANY, after = 0, times = 0, value = 0, column = 0;
    const bool ok =
        field(r, item, "bank", 0, 63, &bank) && field(r, item, "block", 0, 8191, &block) &&
        field(r, item, "page", 0, 255, &page) && field(r, item, "sector", 0, DISK_BYTES / SECTOR, &sector) &&
        field(r, item, "after", 0, INT64_MAX, &after) && field(r, item, "times", 0, 0xFFFFFFFFll, &times) &&
        field(r, item, "value", 0, 0xFFFFFFFFll, &value) && field(r, item, "column", 0, 7, &column) &&
        chip_field(r, item, &fault->chip);
    fault->bank = static_cast<int32_t>(bank);
    fault->block = static_cast<int32_t>(block);
    fault->page = static_cast<int32_t>(page);
    fault->sector = sector;
    fault->after = static_cast<uint64_t>(after);
    fault->times = static_cast<uint32_t>(times);
    fault->value = static_cast<uint32_t>(value);
    fault->column = static_cast<uint32_t>(column);
    return ok;
}

bool read_faults(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* faults = scenario.member("faults");
    for (size_t i = 0; faults != nullptr && i < faults->items.size(); ++i) {
        Fault fault;
        if (!read_fault(r, faults->items[i], &fault)) {
            return false;
        }
        drive.faults.push_back(fault);
    }
    return true;
}

bool read_jumper(Reading& r, const JsonValue& scenario, Drive& drive) {
    const JsonValue* jumper = scenario.member("jumper");
    if (jumper == nullptr) {
        return true;
    }
    if (jumper->type != Type::string || (jumper->text != "factory" && jumper->text != "normal")) {
        return r.fail("\"jumper\" is \"factory\" or \"normal\"");
    }
    drive.config.factory_jumper = jumper->text == "factory";
    return true;
}

}  // namespace

std::unique_ptr<Drive> drive_from_scenario(std::string_view json, std::string* error) {
    JsonValue scenario;
    if (!parse_json(json, &scenario, error)) {
        return nullptr;
    }
    Reading r;
    int64_t build = 1, sdram_mb = 64;
    if (!known_members(
            r, scenario, "the scenario",
            {"build", "sdram_mb", "jumper", "banks", "ids", "bad_blocks", "bad_block_density", "faults"}) ||
        !field(r, scenario, "build", 1, 5, &build) || !field(r, scenario, "sdram_mb", 16, 64, &sdram_mb) ||
        (sdram_mb != 16 && sdram_mb != 32 && sdram_mb != 64 && !r.fail("\"sdram_mb\" is 16, 32 or 64"))) {
        *error = r.error;
        return nullptr;
    }
    std::unique_ptr<Drive> drive = make_drive(static_cast<uint32_t>(build));
    drive->config.sdram_mb = static_cast<uint32_t>(sdram_mb);
    if (!read_jumper(r, scenario, *drive) || !read_population(r, scenario, *drive) ||
        !read_ids(r, scenario, *drive) || !read_bad_blocks(r, scenario, *drive) ||
        !read_density(r, scenario, *drive) || !read_faults(r, scenario, *drive)) {
        *error = r.error;
        return nullptr;
    }
    return drive;
}

}  // namespace sim
