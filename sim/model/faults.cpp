#include <cstring>

#include "model/drive.h"

namespace sim {

namespace {

struct KindName {
    FaultKind kind;
    const char* name;
};

constexpr KindName KIND_NAMES[] = {
    {FaultKind::link_write_fail, "link_write_fail"},
    {FaultKind::link_read_fail, "link_read_fail"},
    {FaultKind::blank_check_hang, "blank_check_hang"},
    {FaultKind::erase_fail, "erase_fail"},
    {FaultKind::program_fail, "program_fail"},
    {FaultKind::read_differs, "read_differs"},
    {FaultKind::read_uncorrectable, "read_uncorrectable"},
    {FaultKind::scan_no_chip_bits, "scan_no_chip_bits"},
    {FaultKind::scan_no_terminator, "scan_no_terminator"},
    {FaultKind::scan_unexpected_bank, "scan_unexpected_bank"},
    {FaultKind::scan_extra_bad, "scan_extra_bad"},
    {FaultKind::program_no_magic, "program_no_magic"},
    {FaultKind::program_bad_state, "program_bad_state"},
    {FaultKind::program_errors, "program_errors"},
    {FaultKind::program_finds_bad, "program_finds_bad"},
    {FaultKind::timing_errors, "timing_errors"},
    {FaultKind::link_read_differs, "link_read_differs"},
    {FaultKind::reopen_fail, "reopen_fail"},
    {FaultKind::program_hangs, "program_hangs"},
    {FaultKind::link_transfer_fail, "link_transfer_fail"},
};

bool matches(int64_t wanted, int64_t here) {
    return wanted == ANY || here == ANY || wanted == here;
}

}  // namespace

const Fault* fault_fires(Drive& drive, FaultKind kind, const FaultSite& site) {
    for (Fault& fault : drive.faults) {
        if (fault.kind != kind || drive.counters.commands < fault.after ||
            (fault.times != 0 && fault.fired >= fault.times)) {
            continue;
        }
        if (matches(fault.bank, site.bank) && matches(fault.chip, site.chip) &&
            matches(fault.block, site.block) && matches(fault.page, site.page) &&
            matches(fault.sector, site.sector)) {
            ++fault.fired;
            return &fault;
        }
    }
    return nullptr;
}

bool transfer_fault_fires(Drive& drive) {
    const uint64_t transfer = drive.power.run_counted ? drive.last_run.transfers + 1 : 1;
    for (Fault& fault : drive.faults) {
        if (fault.kind == FaultKind::link_transfer_fail && transfer >= fault.value &&
            (fault.times == 0 || fault.fired < fault.times)) {
            ++fault.fired;
            return true;
        }
    }
    return false;
}

const char* fault_kind_name(FaultKind kind) {
    for (const KindName& entry : KIND_NAMES) {
        if (entry.kind == kind) {
            return entry.name;
        }
    }
    return "unknown";
}

bool fault_kind_from_name(std::string_view name, FaultKind* kind) {
    for (const KindName& entry : KIND_NAMES) {
        if (name == entry.name) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

}  // namespace sim
