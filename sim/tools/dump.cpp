// simdrive dump: one bank page as both chips hold it, in hex; runs of equal
// lines show as "*".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/drive.h"
#include "tools/simdrive.h"

namespace sim {

namespace {

const char* form_name(uint32_t entry) {
    if (entry == 0) {
        return "erased";
    }
    if (entry & PAGE_FAILED) {
        return "failed program";
    }
    if (entry & PAGE_RAW) {
        return entry & PAGE_BIG_ECC ? "raw, Big ECC" : "raw, normal ECC";
    }
    return entry & PAGE_BIG_ECC ? "Big ECC" : "normal ECC";
}

void hex_lines(const uint8_t* bytes, uint32_t length) {
    bool repeating = false;
    for (uint32_t at = 0; at < length; at += 16) {
        if (at > 0 && at + 16 < length && std::memcmp(bytes + at, bytes + at - 16, 16) == 0) {
            if (!repeating) {
                std::printf("*\n");
            }
            repeating = true;
            continue;
        }
        repeating = false;
        std::printf("%04X:", at);
        for (uint32_t i = 0; i < 16; ++i) {
            std::printf(" %02X", bytes[at + i]);
        }
        std::printf("\n");
    }
}

}  // namespace

int dump_page(const std::string& path, int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: simdrive dump <drive file> <bank> <block> <page>\n");
        return 2;
    }
    std::string error;
    const std::unique_ptr<Drive> drive = load_drive(path, &error);
    if (!drive) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    const uint32_t bank = static_cast<uint32_t>(std::strtoul(argv[0], nullptr, 0));
    const uint32_t block = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
    const uint32_t page = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
    if (bank >= BANK_POSITIONS || !drive->banks[bank].present || block >= BLOCKS_PER_CHIP ||
        page >= pages_per_block(*drive)) {
        std::fprintf(stderr, "simdrive: no such page on this drive\n");
        return 1;
    }
    std::printf("bank %u block %u page %u: low chip %s, high chip %s\n", bank, block, page,
                form_name(chip_page_entry(*drive, bank, LOW, block, page)),
                form_name(chip_page_entry(*drive, bank, HIGH, block, page)));
    uint8_t bytes[BANK_PAGE_BYTES];
    stored_bank_page(*drive, bank, block, page, bytes);
    hex_lines(bytes, BANK_PAGE_BYTES);
    return 0;
}

}  // namespace sim
