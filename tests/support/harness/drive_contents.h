// What a simulated drive's chips hold, read from the drive file after a run:
// bank pages whose two chips may sit in different blocks, pair pages, the
// data of host-encoded pages, and the drive's bad-block tables. And the one
// way a test puts a page into block zero before a run: programmed as a
// station would have left it.
#pragma once

#include <cstdint>
#include <vector>

#include "model/drive.h"

namespace e2e {

// The populated bank positions, ascending: the bank table of the drive's build.
std::vector<uint32_t> populated_banks(const sim::Drive& drive);

// The 8192-byte bank page: even bytes from the low chip's block, odd bytes
// from the high chip's (raw pages undecoded, erased pages 0xFF).
std::vector<uint8_t> bank_page(const sim::Drive& drive, uint32_t bank, uint32_t block_low,
                               uint32_t block_high, uint32_t page);
std::vector<uint8_t> block_zero_page(const sim::Drive& drive, uint32_t bank, uint32_t page);
// The 16,384-byte pair page of pair p: block 2p's bank page, then block 2p + 1's.
std::vector<uint8_t> pair_page(const sim::Drive& drive, uint32_t bank, uint32_t pair, uint32_t page);

// True when both chips hold the page programmed, not failed, in the given
// ECC configuration (false: normal ECC).
bool page_programmed(const sim::Drive& drive, uint32_t bank, uint32_t block, uint32_t page, bool big_ecc);

// A host-encoded block-zero page: every 540-byte sector checked as the
// controller checks it and its data words descrambled with seed k for sector
// k. The 2048 data bytes; empty when a sector does not check.
std::vector<uint8_t> decoded_block_zero_page(const sim::Drive& drive, uint32_t bank, uint32_t page,
                                             const uint16_t* seeds);

// The tables of a bank page 0 and page 3 image: initial entries as stored
// (bit 15 high chip), runtime entries packed (block, mask << 16, type << 24).
std::vector<uint16_t> initial_entries(const std::vector<uint8_t>& page);
std::vector<uint32_t> runtime_entries(const std::vector<uint8_t>& page);

// Programs `bytes` (at most 8192) into block zero of the bank, as a normal or
// Big-ECC bank page, following the NAND rules; false when the chips refuse.
bool store_block_zero_page(sim::Drive& drive, uint32_t bank, uint32_t page, const std::vector<uint8_t>& bytes,
                           bool big_ecc);

}  // namespace e2e
