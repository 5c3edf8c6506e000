// Writes a run of consecutive block-zero pages with the same content to every
// expected bank, reads them back and compares. Page first_page + k receives
// slot k of page_slot bytes; page_count * page_slot must be whole sectors.
//
// Plain mode programs each slot with the controller's own error correction.
// Encoded mode programs slots that hold host-encoded pages raw, in 512-byte
// parts through the controller's page buffer; a bank then reads back the
// scrambled data words of the four encoded sectors, 0xFF after them. Copy
// mode (copy == 1) first puts the source's first `length` bytes into
// 0xFF-filled pages, for sources shorter than the run.
#pragma once

#include <cstdint>

// Returns 1 when every expected bank read back the expected pages; 0 when
// some did not, after every bank was compared and each failing bank b left
// "bad<b>.bin" beside "good.bin". The trail "Write to block zero\n" is left
// in the station log buffer for the caller.
int write_block_zero_pages(const uint8_t* source, uint32_t first_page, uint32_t page_count,
                           uint32_t page_slot, int encoded, int copy, uint32_t length);
