// simdrive show, the drive's verdict on its last device reset and what the
// last run cost: the counts and the time a real drive would take for them.
#include <cinttypes>
#include <cstdio>

#include "model/drive.h"
#include "model/run_cost.h"
#include "model/verdict.h"
#include "tools/simdrive.h"

namespace sim {

namespace {

void show_verdict(const Drive& drive) {
    if (drive.boot_verdict.empty()) {
        std::printf("boot verdict: none (no device reset since factory mode was last enabled)\n");
    } else if (drive.boot_verdict == WOULD_BOOT) {
        std::printf("boot verdict: would boot\n");
    } else {
        std::printf("boot verdict: would not boot: %s\n", drive.boot_verdict.c_str());
    }
}

void show_cost(const RunCost& cost) {
    uint64_t commands = 0;
    for (const uint64_t count : cost.commands) {
        commands += count;
    }
    std::printf("last run: %" PRIu64 " commands", commands);
    const char* separator = " (";
    for (uint32_t kind = 0; kind < COMMAND_KINDS; ++kind) {
        if (cost.commands[kind] > 0) {
            std::printf("%s%s %" PRIu64, separator, COMMAND_KIND_NAMES[kind], cost.commands[kind]);
            separator = ", ";
        }
    }
    std::printf("%s; %" PRIu64 " transfers, %" PRIu64 " sectors written, %" PRIu64 " read\n",
                commands > 0 ? ")" : "", cost.transfers, cost.sectors_written, cost.sectors_read);
    std::printf("  NAND:");
    for (uint32_t kind = 0; kind < NAND_KINDS; ++kind) {
        std::printf("%s %" PRIu64 " %s", kind == 0 ? "" : ",", cost.nand[kind], NAND_KIND_NAMES[kind]);
    }
    const ModeledTime time = modeled_time(cost);
    std::printf(
        "\n  modeled drive time %.1f s: link %.1f s, commands %.1f s, NAND %.1f s, tool waits %.1f s\n",
        time.total_s, time.link_s, time.commands_s, time.nand_s, time.waits_s);
    if (time.total_s > 0) {
        std::printf("  %.1f drives per hour per drive port\n", 3600 / time.total_s);
    }
}

}  // namespace

void show_last_run(const Drive& drive) {
    show_verdict(drive);
    show_cost(drive.last_run);
}

}  // namespace sim
