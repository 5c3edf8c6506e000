// The system area at start-up, found through the stamp: the master info on
// page 0 of the first bank's system blocks, the metadata image in the
// metadata pairs it names, whose bad-pair lists must name exactly the pairs
// holding the bank's known bad blocks, the HIL context, and the zero-page
// pair of every bank.
#include <algorithm>
#include <cstring>
#include <vector>

#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/boot_check.h"

namespace sim {

namespace {

constexpr uint32_t PAIRS = BLOCKS_PER_CHIP / 2;
constexpr uint32_t MASTER_MARKER = 0xFFFFFFFE;
constexpr uint32_t MASTER_MAGIC = 0x6DA3E18C;
constexpr uint8_t MASTER_MAGIC_BYTE = 10;
constexpr uint32_t TAIL_MAGIC = 0xFCE56378;
constexpr uint32_t BAD_PAIR_LIST_BYTES = 2048;
constexpr uint32_t BAD_PAIR_LIST_TYPE = 2;
constexpr uint32_t BAD_PAIR_ENTRIES_MAX = 511;
constexpr uint32_t BANK_RECORD_BYTES = 20;
constexpr uint32_t SCAN_LIST_PAGE = 0;
constexpr uint32_t RUNTIME_LIST_PAGE = 3;
constexpr uint32_t SCAN_LIST_ENTRIES_MAX = 4095;

const char* chip_name(uint32_t mask) {
    return mask == 1 ? "low" : mask == 2 ? "high" : "both";
}

bool all_zero(const uint8_t* bytes, uint32_t length) {
    return std::all_of(bytes, bytes + length, [](uint8_t b) { return b == 0; });
}

bool valid_pair(uint32_t pair) {
    return pair > 0 && pair < PAIRS;
}

struct Master {
    uint8_t page[BANK_PAGE_BYTES];
    uint32_t banks = 0;
    uint32_t metadata_pair(uint32_t i) const {
        return load_le16(page + 4 + 2 * i);
    }
};

bool check_master_marks(const Master& master, const BootLayout& layout, std::string* why) {
    const uint8_t* p = master.page;
    const uint8_t* magic = p + layout.master_magic;
    if (load_le32(p) != MASTER_MARKER || load_le32(p + layout.master_second_marker) != MASTER_MARKER) {
        return refuse(why, "master info: its markers are missing");
    }
    if (load_le32(magic) != MASTER_MAGIC || magic[4] != MASTER_MAGIC_BYTE || magic[5] != 0 ||
        load_le16(magic + 6) != 0 || load_le32(magic + 8) != 0xFFFFFFFF) {
        return refuse(why, "master info: its magic is missing");
    }
    for (uint32_t copy = 1; copy < layout.master_copies; ++copy) {
        if (std::memcmp(p + 4, p + 4 + 2 * master.banks * copy, 2 * master.banks) != 0) {
            return refuse(why, "master info: copy %u of the metadata pairs differs from the first", copy + 1);
        }
    }
    return true;
}

bool check_master_fields(const Master& master, const BootLayout& layout, const StampFacts& stamp,
                         std::string* why) {
    const uint8_t* p = master.page;
    for (uint32_t i = 0; i < 2 * master.banks; ++i) {
        const uint32_t block = load_le16(p + layout.master_system_blocks + 2 * i);
        if (block != stamp.system_blocks[i]) {
            return refuse(why, "master info: the %s-chip system block of bank index %u is %u, the stamp's %u",
                          i % 2 ? "high" : "low", i / 2, block, stamp.system_blocks[i]);
        }
    }
    if (load_le32(p + layout.master_location) != 0 || load_le32(p + layout.master_location + 4) != 0) {
        return refuse(why, "master info: it says it lies at bank index %u page %u, not where it was found",
                      load_le32(p + layout.master_location), load_le32(p + layout.master_location + 4));
    }
    for (uint32_t i = 0; i < master.banks; ++i) {
        const uint32_t hil_pair = load_le16(p + layout.master_hil_pairs + 2 * i);
        if (!valid_pair(master.metadata_pair(i)) || !valid_pair(hil_pair)) {
            return refuse(why, "master info: bank index %u has metadata pair %u and HIL context pair %u", i,
                          master.metadata_pair(i), hil_pair);
        }
    }
    return true;
}

bool read_master(const Drive& drive, const BootLayout& layout, const StampFacts& stamp, Master* master,
                 std::string* why) {
    master->banks = static_cast<uint32_t>(layout.banks.size());
    if (!read_page(drive, layout.banks.front(), stamp.system_blocks[0], stamp.system_blocks[1], 0,
                   NORMAL_FORM, master->page, why)) {
        return in_item("master info", why);
    }
    return check_master_marks(*master, layout, why) && check_master_fields(*master, layout, stamp, why);
}

bool read_metadata(const Drive& drive, const BootLayout& layout, const Master& master,
                   std::vector<uint8_t>* image, std::string* why) {
    image->assign(size_t{layout.metadata_units} * PAIR_PAGE_BYTES, 0);
    for (uint32_t c = 0; c < layout.metadata_units; ++c) {
        const uint32_t i = c % master.banks;
        if (!read_pair_page(drive, layout.banks[i], master.metadata_pair(i), c / master.banks,
                            image->data() + size_t{c} * PAIR_PAGE_BYTES, why)) {
            return in_item("metadata", why);
        }
    }
    const uint8_t* tail = image->data() + layout.image_tail;
    if (load_le32(tail + 12) != TAIL_MAGIC || load_le32(tail + 8) != MASTER_MARKER) {
        return refuse(why, "metadata: the image has no tail magic");
    }
    return true;
}

// The pairs holding the bank's known bad blocks, with the chips they are bad
// on: its scan list (page 0) and runtime list (page 3), which must also
// carry every block of the bank that is bad from the factory.
bool known_bad_pairs(const Drive& drive, uint32_t bank, std::vector<uint8_t>* masks, std::string* why) {
    std::vector<uint8_t> blocks(BLOCKS_PER_CHIP, 0);
    uint8_t page[BANK_PAGE_BYTES];
    if (!read_page(drive, bank, 0, 0, SCAN_LIST_PAGE, NORMAL_FORM, page, why)) {
        return in_item("bad-block tables", why);
    }
    const uint32_t scanned = load_le16(page);
    for (uint32_t n = 0; n < std::min(scanned, SCAN_LIST_ENTRIES_MAX); ++n) {
        const uint32_t entry = load_le16(page + 2 + 2 * n);
        blocks[(entry & 0x7FFF) % BLOCKS_PER_CHIP] |= entry & 0x8000 ? 2 : 1;
    }
    if (!read_page(drive, bank, 0, 0, RUNTIME_LIST_PAGE, NORMAL_FORM, page, why)) {
        return in_item("bad-block tables", why);
    }
    if (load_le32(page) != RUNTIME_LIST_MAGIC_0 || load_le32(page + 4) != RUNTIME_LIST_MAGIC_1) {
        return refuse(why, "bad-block tables: bank %u page 3 has no runtime list magic", bank);
    }
    for (uint32_t n = 0; n < std::min(load_le32(page + 12), RUNTIME_LIST_ENTRIES_MAX); ++n) {
        blocks[load_le16(page + 16 + 4 * n) % BLOCKS_PER_CHIP] |= page[18 + 4 * n] & 3;
    }
    for (uint32_t chip = 0; chip < 2; ++chip) {
        for (uint32_t block = 0; block < BLOCKS_PER_CHIP; ++block) {
            if (drive.banks[bank].chips[chip].blocks[block].factory_bad && !(blocks[block] & (1u << chip))) {
                return refuse(why, "bad-block tables: bank %u %s chip block %u is bad but in neither table",
                              bank, chip_name(1u << chip), block);
            }
        }
    }
    masks->assign(PAIRS, 0);
    for (uint32_t block = 2; block < BLOCKS_PER_CHIP; ++block) {
        (*masks)[block / 2] |= blocks[block];
    }
    return true;
}

bool check_bad_pair_list(const Drive& drive, const BootLayout& layout, const std::vector<uint8_t>& image,
                         uint32_t i, std::string* why) {
    const uint32_t bank = layout.banks[i];
    std::vector<uint8_t> known;
    if (!known_bad_pairs(drive, bank, &known, why)) {
        return false;
    }
    const uint8_t* list = image.data() + layout.bad_pair_lists + i * BAD_PAIR_LIST_BYTES;
    const uint32_t total = load_le16(image.data() + layout.bad_pair_counts + 12 * i);
    if (load_le32(list) != BAD_PAIR_LIST_TYPE || total > BAD_PAIR_ENTRIES_MAX) {
        return refuse(why, "metadata: bank %u has a bad-pair list of type %u with %u entries", bank,
                      load_le32(list), total);
    }
    std::vector<uint8_t> listed(PAIRS, 0);
    for (uint32_t n = 0; n < total; ++n) {
        const uint32_t pair = load_le16(list + 4 + 4 * n);
        if (!valid_pair(pair)) {
            return refuse(why, "metadata: bank %u bad-pair list entry %u names pair %u", bank, n, pair);
        }
        listed[pair] |= list[6 + 4 * n] & 3;
    }
    for (uint32_t pair = 1; pair < PAIRS; ++pair) {
        if (known[pair] & ~listed[pair]) {
            return refuse(why, "metadata: bank %u pair %u is bad on the %s chip but not in the bad-pair list",
                          bank, pair, chip_name(known[pair] & ~listed[pair]));
        }
        if (listed[pair] & ~known[pair]) {
            return refuse(
                why,
                "metadata: bank %u bad-pair list names pair %u, which has no known bad block on the %s chip",
                bank, pair, chip_name(listed[pair] & ~known[pair]));
        }
    }
    return true;
}

bool check_hil_context(const Drive& drive, const BootLayout& layout, const Master& master, std::string* why) {
    const uint32_t index = load_le32(master.page + layout.hil_location);
    const uint32_t page = load_le32(master.page + layout.hil_location + 4);
    if (index >= master.banks || page >= layout.pages) {
        return refuse(why, "HIL context: master info places it at bank index %u page %u", index, page);
    }
    const uint32_t pair = load_le16(master.page + layout.master_hil_pairs + 2 * index);
    std::vector<uint8_t> bytes(PAIR_PAGE_BYTES);
    if (!read_pair_page(drive, layout.banks[index], pair, page, bytes.data(), why)) {
        return in_item("HIL context", why);
    }
    if (!all_zero(bytes.data(), PAIR_PAGE_BYTES)) {
        return refuse(why, "HIL context: bank %u pair %u page %u is not an empty context",
                      layout.banks[index], pair, page);
    }
    return true;
}

bool check_zero_pages(const Drive& drive, const BootLayout& layout, const std::vector<uint8_t>& image,
                      std::string* why) {
    std::vector<uint8_t> bytes(PAIR_PAGE_BYTES);
    for (uint32_t i = 0; i < layout.banks.size(); ++i) {
        const uint32_t pair = load_le16(image.data() + layout.bank_records + BANK_RECORD_BYTES * i + 2);
        if (!valid_pair(pair)) {
            return refuse(why, "zero page: bank %u has zero-page pair %u", layout.banks[i], pair);
        }
        for (uint32_t page = 0; page < layout.pages; ++page) {
            if (!read_pair_page(drive, layout.banks[i], pair, page, bytes.data(), why)) {
                return in_item("zero page", why);
            }
            if (!all_zero(bytes.data(), PAIR_PAGE_BYTES)) {
                return refuse(why, "zero page: bank %u pair %u page %u is not all zero", layout.banks[i],
                              pair, page);
            }
        }
    }
    return true;
}

}  // namespace

bool check_system_area(const Drive& drive, const BootLayout& layout, const StampFacts& stamp,
                       std::string* why) {
    Master master;
    std::vector<uint8_t> image;
    if (!read_master(drive, layout, stamp, &master, why) ||
        !read_metadata(drive, layout, master, &image, why)) {
        return false;
    }
    for (uint32_t i = 0; i < layout.banks.size(); ++i) {
        if (!check_bad_pair_list(drive, layout, image, i, why)) {
            return false;
        }
    }
    return check_hil_context(drive, layout, master, why) && check_zero_pages(drive, layout, image, why);
}

}  // namespace sim
