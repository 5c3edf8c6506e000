#include "host_mass_production/rework_journal_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "host_actions/bank_geometry.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"

namespace {

constexpr char HEADER[] = "prodtool rework journal 1";
constexpr uint16_t HIGH_CHIP_BIT = 0x8000;

uint16_t packed_initial_entry(const uint8_t* list, uint32_t index) {
    const InitialBbEntry entry = initial_bb_entry(list, index);
    return static_cast<uint16_t>(entry.block | (entry.high_chip ? HIGH_CHIP_BIT : 0));
}

std::vector<uint16_t> sorted_initial_entries(const uint8_t* list) {
    std::vector<uint16_t> entries;
    for (uint32_t i = 0; i < initial_bb_count(list); ++i) {
        entries.push_back(packed_initial_entry(list, i));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void append_formatted(std::string* text, const char* format, uint32_t value) {
    char field[32];
    std::snprintf(field, sizeof field, format, value);
    *text += field;
}

void format_bank(std::string* text, uint32_t bank, const ReworkJournal& journal) {
    const uint8_t* initial = journal.initial_bb_list[bank];
    append_formatted(text, "bank %u initial ", bank);
    append_formatted(text, "%u", initial_bb_count(initial));
    for (uint32_t i = 0; i < initial_bb_count(initial); ++i) {
        append_formatted(text, " %04x", packed_initial_entry(initial, i));
    }
    const uint8_t* runtime = journal.runtime_bb_list[bank];
    append_formatted(text, "\nbank %u runtime ", bank);
    append_formatted(text, "%u", runtime_bb_count(runtime));
    for (uint32_t i = 0; i < runtime_bb_count(runtime); ++i) {
        append_formatted(text, " %08x", pack_runtime_bb_entry(runtime_bb_entry(runtime, i)));
    }
    *text += "\n";
}

// The text split at white space, one word after the other.
struct Words {
    const char* at;
    const char* end;
};

std::string_view next_word(Words* words) {
    while (words->at < words->end && std::strchr(" \t\r\n", *words->at) != nullptr) {
        ++words->at;
    }
    const char* start = words->at;
    while (words->at < words->end && std::strchr(" \t\r\n", *words->at) == nullptr) {
        ++words->at;
    }
    return {start, static_cast<size_t>(words->at - start)};
}

bool expect_words(Words* words, std::string_view expected) {
    Words wanted = {expected.data(), expected.data() + expected.size()};
    for (std::string_view word = next_word(&wanted); !word.empty(); word = next_word(&wanted)) {
        if (next_word(words) != word) {
            return false;
        }
    }
    return true;
}

int digit_value(char c, uint32_t base) {
    const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99;
    return value < static_cast<int>(base) ? value : -1;
}

// Digits only (no sign, no prefix), at most `max`.
bool read_number(Words* words, uint32_t base, uint32_t max, uint32_t* value) {
    const std::string_view word = next_word(words);
    if (word.empty() || word.size() > 10) {
        return false;
    }
    uint64_t number = 0;
    for (const char c : word) {
        const int digit = digit_value(c, base);
        if (digit < 0) {
            return false;
        }
        number = number * base + static_cast<uint64_t>(digit);
    }
    *value = static_cast<uint32_t>(number);
    return number <= max;
}

bool read_serial(Words* words, uint8_t* serial) {
    const std::string_view word = next_word(words);
    if (word.size() != 2 * SERIAL_NUMBER_CHARS) {
        return false;
    }
    for (size_t i = 0; i < SERIAL_NUMBER_CHARS; ++i) {
        const int high = digit_value(word[2 * i], 16);
        const int low = digit_value(word[2 * i + 1], 16);
        if (high < 0 || low < 0) {
            return false;
        }
        serial[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

bool read_bank_line(Words* words, uint32_t bank, const char* kind, uint32_t max_entries, uint32_t* count) {
    uint32_t named_bank = 0;
    return expect_words(words, "bank") && read_number(words, 10, BANK_POSITIONS - 1, &named_bank) &&
           named_bank == bank && expect_words(words, kind) && read_number(words, 10, max_entries, count);
}

bool read_bank(Words* words, uint32_t bank, ReworkJournal* journal) {
    uint8_t* initial = journal->initial_bb_list[bank];
    uint8_t* runtime = journal->runtime_bb_list[bank];
    clear_initial_bb_list(initial);
    clear_runtime_bb_list(runtime);
    uint32_t count = 0;
    uint32_t entry = 0;
    if (!read_bank_line(words, bank, "initial", INITIAL_BB_MAX_ENTRIES, &count)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!read_number(words, 16, 0xFFFF, &entry)) {
            return false;
        }
        append_initial_bb_entry(
            initial, {static_cast<uint16_t>(entry & ~HIGH_CHIP_BIT), (entry & HIGH_CHIP_BIT) != 0});
    }
    if (!read_bank_line(words, bank, "runtime", RUNTIME_BB_MAX_ENTRIES, &count)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!read_number(words, 16, 0xFFFFFFFF, &entry)) {
            return false;
        }
        append_runtime_bb_entry(runtime, unpack_runtime_bb_entry(entry));
    }
    return true;
}

uint64_t fnv1a(uint64_t hash, const void* bytes, size_t count) {
    const auto* byte = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ byte[i]) * 0x100000001B3ULL;
    }
    return hash;
}

}  // namespace

std::string format_rework_journal(const ReworkJournal& journal) {
    std::string text = std::string(HEADER) + "\nserial ";
    for (const uint8_t byte : journal.serial) {
        append_formatted(&text, "%02x", byte);
    }
    text += journal.cell_test_owed ? "\ncell-test 1\n" : "\ncell-test 0\n";
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            format_bank(&text, bank, journal);
        }
    }
    return text + "end\n";
}

bool parse_rework_journal(const char* text, size_t length, ReworkJournal* journal) {
    Words words = {text, text + length};
    uint32_t cell_test = 0;
    if (!expect_words(&words, HEADER) || !expect_words(&words, "serial") ||
        !read_serial(&words, journal->serial) || !expect_words(&words, "cell-test") ||
        !read_number(&words, 10, 1, &cell_test)) {
        return false;
    }
    journal->cell_test_owed = cell_test != 0;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank) && !read_bank(&words, bank, journal)) {
            return false;
        }
    }
    return expect_words(&words, "end") && next_word(&words).empty();
}

bool same_initial_bad_blocks(const uint8_t (*a)[BB_LIST_BYTES], const uint8_t (*b)[BB_LIST_BYTES],
                             const BankSelection& known) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank) && known[bank] != 0 &&
            sorted_initial_entries(a[bank]) != sorted_initial_entries(b[bank])) {
            return false;
        }
    }
    return true;
}

bool has_initial_bad_blocks(const uint8_t (*lists)[BB_LIST_BYTES], const BankSelection& known) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank) && known[bank] != 0 && initial_bb_count(lists[bank]) != 0) {
            return true;
        }
    }
    return false;
}

std::string rework_journal_name(const ReworkJournal& journal) {
    uint64_t hash = fnv1a(0xCBF29CE484222325ULL, journal.serial, sizeof journal.serial);
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_expected_bank(bank)) {
            const std::vector<uint16_t> entries = sorted_initial_entries(journal.initial_bb_list[bank]);
            hash = fnv1a(hash, &bank, sizeof bank);
            hash = fnv1a(hash, entries.data(), entries.size() * sizeof(uint16_t));
        }
    }
    char name[48];
    std::snprintf(name, sizeof name, "drive-%016llx.journal", static_cast<unsigned long long>(hash));
    return name;
}
