// A rework journal on the station's disk: whatever reads as a journal writes
// back as a text that reads as the same journal.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host_mass_production/rework_journal_format.h"

namespace {

ReworkJournal journal;
ReworkJournal again;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!parse_rework_journal(reinterpret_cast<const char*>(data), size, &journal)) {
        return 0;
    }
    const std::string text = format_rework_journal(journal);
    if (!parse_rework_journal(text.data(), text.size(), &again) || format_rework_journal(again) != text) {
        std::abort();
    }
    return 0;
}
