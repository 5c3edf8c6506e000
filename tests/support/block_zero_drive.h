// A drive in factory mode as far as the writes to block zero ask it, played
// on the recording disk: the SDRAM behind the command sector keeps what is
// written, flash programs and reads move pages between it and the NAND of
// each bank, and a raw page assembled from 512-byte parts of the controller's
// page buffer reads back as the data words of its encoded sectors, 0xFF after
// them. Pages never programmed read as erased. Reads from a bank in
// `damaged_banks` come back with one bit flipped.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "support/doubles/recording_disk.h"

using CommandSector = std::array<uint32_t, 128>;

struct StoredPage {
    bool raw;
    std::vector<uint8_t> bytes;
};

struct BlockZeroDrive {
    std::map<std::pair<uint32_t, uint32_t>, StoredPage> nand;  // by bank and row
    std::vector<CommandSector> commands;
    std::set<uint32_t> damaged_banks;
    uint32_t damaged_byte = 100;
    std::vector<uint8_t> page_buffer = std::vector<uint8_t>(512);
    std::vector<uint8_t> raw_parts;

    uint8_t* sdram(uint32_t address, uint32_t bytes) {
        std::vector<uint8_t>& memory = recording_disk.read_source;
        const size_t offset = address - DRIVE_SDRAM_BASE;
        memory.resize(std::max(memory.size(), offset + bytes));
        return memory.data() + offset;
    }

    const StoredPage* page(uint32_t bank, uint32_t row) const {
        const auto found = nand.find({bank, row});
        return found == nand.end() ? nullptr : &found->second;
    }

    // What the bank's controller returns for a page: a plain page as stored,
    // a raw page as the 512 data bytes of each of its four sectors.
    std::vector<uint8_t> read_page(uint32_t bank, uint32_t row, uint32_t bytes) const {
        std::vector<uint8_t> out(bytes, 0xFF);
        const StoredPage* stored = page(bank, row);
        if (stored != nullptr && stored->raw) {
            for (uint32_t sector = 0; sector < 4 && 512 * sector < bytes; ++sector) {
                std::memcpy(out.data() + 512 * sector, stored->bytes.data() + 540 * sector, 512);
            }
        } else if (stored != nullptr) {
            std::copy_n(stored->bytes.begin(), std::min<size_t>(bytes, stored->bytes.size()), out.begin());
        }
        if (damaged_banks.count(bank) != 0) {
            out[damaged_byte % bytes] ^= 0x10;
        }
        return out;
    }

    void flash_op(const CommandSector& c) {
        const uint32_t bank = c[WORD_BANK];
        const uint32_t row = c[WORD_ROW_LOW];
        const uint32_t bytes = c[WORD_BYTE_COUNT];
        switch (c[WORD_SUB_OP]) {
            case FOP_PROGRAM: {
                const uint8_t* data = sdram(c[WORD_SDRAM_ADDR], bytes);
                nand[{bank, row}] = {false, {data, data + bytes}};
                break;
            }
            case FOP_PROGRAM_PART_FIRST:
                raw_parts = page_buffer;
                break;
            case FOP_PROGRAM_PART:
                raw_parts.insert(raw_parts.end(), page_buffer.begin(), page_buffer.end());
                break;
            case FOP_PROGRAM_PART_LAST:
                raw_parts.insert(raw_parts.end(), page_buffer.begin(), page_buffer.end());
                nand[{bank, row}] = {true, raw_parts};
                break;
            case FOP_READ: {
                const std::vector<uint8_t> data = read_page(bank, row, bytes);
                std::copy(data.begin(), data.end(), sdram(c[WORD_SDRAM_ADDR], bytes));
                break;
            }
        }
    }

    void execute(const CommandSector& c) {
        commands.push_back(c);
        if (c[WORD_OPCODE] == CMD_FLASH_OP) {
            flash_op(c);
        } else if (c[WORD_OPCODE] == CMD_BUFFER_COPY && c[WORD_COPY_DST] == CONTROLLER_BUFFER) {
            const uint8_t* source = sdram(c[WORD_COPY_SRC], c[WORD_COPY_LEN]);
            page_buffer.assign(source, source + c[WORD_COPY_LEN]);
        }
    }

    void answer(DiskTransfer& transfer) {
        if (!transfer.is_write) {
            return;
        }
        const uint32_t address = DRIVE_SDRAM_BASE + static_cast<uint32_t>(transfer.position);
        std::copy(transfer.data.begin(), transfer.data.end(), sdram(address, transfer.bytes));
        if (transfer.position == 0) {
            CommandSector c;
            for (uint32_t word = 0; word < c.size(); ++word) {
                c[word] = load_le32(transfer.data.data() + 4 * word);
            }
            execute(c);
        }
    }

    // Takes the drive's part on the recording disk.
    void attach() {
        recording_disk.read_source.assign(512, 0);
        recording_disk.after_transfer = [this](DiskTransfer& transfer) { answer(transfer); };
    }

    std::vector<CommandSector> commands_with_opcode(uint32_t opcode) const {
        std::vector<CommandSector> found;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(found),
                     [opcode](const CommandSector& c) { return c[WORD_OPCODE] == opcode; });
        return found;
    }

    // The data-window payload written before the first command.
    static std::vector<uint8_t> first_payload() {
        std::vector<uint8_t> payload;
        for (const DiskTransfer& transfer : recording_disk.transfers) {
            if (transfer.is_write && transfer.position == 0) {
                break;
            }
            if (transfer.is_write) {
                payload.insert(payload.end(), transfer.data.begin(), transfer.data.end());
            }
        }
        return payload;
    }
};
