// Block zero at start-up: the stamp on page 4 of every expected bank, the
// bootloader from page 5, and the firmware and overlay from page 9, whose
// encoded sectors must check and, unscrambled with the stamp's seeds, give
// the build's images at exactly the lengths the stamp states.
#include <algorithm>
#include <cstring>

#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/boot_check.h"
#include "model/release_images.h"
#include "model/verdict.h"

namespace sim {

namespace {

constexpr uint32_t STAMP_BOOTLOADER_SIZE = 4;
constexpr uint32_t STAMP_OVERLAY_SIZE = 8;
constexpr uint32_t STAMP_SEEDS = 16;
constexpr uint32_t STAMP_FIRMWARE_SIZE = 48;
constexpr uint32_t STAMP_SYSTEM_BLOCKS = 52;
constexpr uint32_t SECTORS_PER_IMAGE_PAGE = IMAGE_PAGE_BYTES / SECTOR;

uint32_t image_pages(uint32_t length) {
    return (length + IMAGE_PAGE_BYTES - 1) / IMAGE_PAGE_BYTES;
}

StampFacts stamp_facts(const uint8_t* stamp, uint32_t banks) {
    StampFacts facts;
    facts.bootloader_length = load_le32(stamp + STAMP_BOOTLOADER_SIZE);
    facts.overlay_length = load_le32(stamp + STAMP_OVERLAY_SIZE);
    facts.firmware_length = load_le32(stamp + STAMP_FIRMWARE_SIZE);
    for (uint32_t k = 0; k < SEEDS; ++k) {
        facts.seeds[k] = load_le16(stamp + STAMP_SEEDS + 2 * k);
    }
    for (uint32_t i = 0; i < 2 * banks; ++i) {
        facts.system_blocks.push_back(load_le16(stamp + STAMP_SYSTEM_BLOCKS + 2 * i));
    }
    return facts;
}

bool lengths_match(const char* image, uint32_t stamped, uint32_t released, std::string* why) {
    if (stamped != released) {
        return refuse(why, "stamp: the %s is %u bytes, the build's is %u", image, stamped, released);
    }
    return true;
}

bool check_stamp_facts(const StampFacts& stamp, const ReleaseImages& release, std::string* why) {
    if (!lengths_match("bootloader", stamp.bootloader_length, release.bootloader.length, why) ||
        !lengths_match("firmware", stamp.firmware_length, release.firmware.length, why) ||
        !lengths_match("overlay", stamp.overlay_length, release.overlay.length, why)) {
        return false;
    }
    for (uint32_t i = 0; i < stamp.system_blocks.size(); ++i) {
        const uint32_t block = stamp.system_blocks[i];
        if (block == 0 || block >= BLOCKS_PER_CHIP) {
            return refuse(why, "stamp: the %s-chip system block of bank index %u is block %u",
                          i % 2 ? "high" : "low", i / 2, block);
        }
    }
    return true;
}

bool check_stamps(const Drive& drive, const BootLayout& layout, StampFacts* facts, std::string* why) {
    uint8_t first[STAMP_BYTES] = {};
    for (const uint32_t bank : layout.banks) {
        uint8_t page[BANK_PAGE_BYTES];
        if (!read_page(drive, bank, 0, 0, STAMP_PAGE, BIG_ECC_FORM, page, why)) {
            return in_item("stamp", why);
        }
        if (load_le32(page) != STAMP_MAGIC) {
            return refuse(why, "stamp: bank %u page 4 has no stamp magic", bank);
        }
        if (bank == layout.banks.front()) {
            std::memcpy(first, page, STAMP_BYTES);
        } else if (std::memcmp(first, page, STAMP_BYTES) != 0) {
            return refuse(why, "stamp: bank %u holds another stamp than bank %u", bank, layout.banks.front());
        }
    }
    *facts = stamp_facts(first, static_cast<uint32_t>(layout.banks.size()));
    return check_stamp_facts(*facts, RELEASE_IMAGES[drive.config.build - 1], why);
}

bool check_bootloader(const Drive& drive, const BootLayout& layout, const ImageBytes& image,
                      std::string* why) {
    for (const uint32_t bank : layout.banks) {
        for (uint32_t k = 0; k < image_pages(image.length); ++k) {
            uint8_t page[BANK_PAGE_BYTES];
            if (!read_page(drive, bank, 0, 0, BOOTLOADER_PAGE + k, BIG_ECC_FORM, page, why)) {
                return in_item("bootloader", why);
            }
            const uint32_t start = k * IMAGE_PAGE_BYTES;
            const uint32_t bytes = std::min(IMAGE_PAGE_BYTES, image.length - start);
            if (std::memcmp(page, image.bytes + start, bytes) != 0) {
                return refuse(why, "bootloader: bank %u page %u differs from the build's bootloader", bank,
                              BOOTLOADER_PAGE + k);
            }
        }
    }
    return true;
}

// One host-encoded page of an image: sector s, unscrambled with seed s, holds
// the image bytes from 2048k + 512s that lie within the image.
bool check_encoded_page(const uint8_t* raw, const StampFacts& stamp, const ImageBytes& image, uint32_t k,
                        const char* name, uint32_t bank, uint32_t page, std::string* why) {
    for (uint32_t s = 0; s < SECTORS_PER_IMAGE_PAGE; ++s) {
        const uint8_t* sector = raw + s * ENCODED_SECTOR_BYTES;
        if (!encoded_sector_valid(sector)) {
            return refuse(why, "%s: bank %u page %u sector %u fails its check word or parity", name, bank,
                          page, s);
        }
        uint8_t data[SECTOR];
        descramble_sector(sector, stamp.seeds[s], data);
        const uint32_t start = k * IMAGE_PAGE_BYTES + s * SECTOR;
        const uint32_t bytes = start < image.length ? std::min(SECTOR, image.length - start) : 0;
        if (std::memcmp(data, image.bytes + start, bytes) != 0) {
            return refuse(why,
                          "%s: bank %u page %u sector %u, unscrambled with the stamp's seed %04X, is not the "
                          "build's %s",
                          name, bank, page, s, stamp.seeds[s], name);
        }
    }
    return true;
}

bool check_encoded_image(const Drive& drive, const BootLayout& layout, const StampFacts& stamp,
                         const ImageBytes& image, uint32_t first_page, const char* name, std::string* why) {
    const uint32_t pages = image_pages(image.length);
    if (first_page + pages > layout.pages) {
        return refuse(why, "%s: pages %u to %u do not fit block zero", name, first_page,
                      first_page + pages - 1);
    }
    for (const uint32_t bank : layout.banks) {
        for (uint32_t k = 0; k < pages; ++k) {
            uint8_t raw[BANK_PAGE_BYTES];
            if (!read_page(drive, bank, 0, 0, first_page + k, RAW_BIG_ECC_FORM, raw, why)) {
                return in_item(name, why);
            }
            if (!check_encoded_page(raw, stamp, image, k, name, bank, first_page + k, why)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool check_block_zero(const Drive& drive, const BootLayout& layout, StampFacts* stamp, std::string* why) {
    for (const uint32_t bank : layout.banks) {
        if (!drive.banks[bank].present) {
            return refuse(why, "stamp: bank %u holds no flash", bank);
        }
    }
    if (!check_stamps(drive, layout, stamp, why)) {
        return false;
    }
    const ReleaseImages& release = RELEASE_IMAGES[drive.config.build - 1];
    const uint32_t overlay_page = FIRMWARE_PAGE + image_pages(release.firmware.length);
    return check_bootloader(drive, layout, release.bootloader, why) &&
           check_encoded_image(drive, layout, *stamp, release.firmware, FIRMWARE_PAGE, "firmware", why) &&
           check_encoded_image(drive, layout, *stamp, release.overlay, overlay_page, "overlay", why);
}

}  // namespace sim
