// A drive in factory mode as far as the first two stages ask it, played on
// the recording disk: its SDRAM keeps what is written behind the command
// sector, register writes and reads answer through sector 0, and the chip IDs
// of every bank position come back through the controller's buffer. Bulk
// transfers are recorded without their data, so that a whole SDRAM test fits
// in memory.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "support/doubles/recording_disk.h"

// How the SDRAM answers the size probe: a 16 MB part also ignores address
// bit 10, a 32 MB part repeats every 32 MB or answers nothing above it.
enum class SdramPart { mb16, mb32, mb32_open_above, mb64 };

using ChipIds = std::array<uint16_t, 5>;

inline constexpr ChipIds NO_CHIPS = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
// Both chips of a reference-build bank: EC D7 D5 29 38.
inline constexpr ChipIds REFERENCE_CHIPS = {0xECEC, 0xD7D7, 0xD5D5, 0x2929, 0x3838};

struct AnsweringDrive {
    SdramPart sdram = SdramPart::mb64;
    std::array<ChipIds, 32> ids;
    std::array<uint8_t, 32> bank_status{};
    std::map<uint32_t, uint32_t> words;  // SDRAM words written by register commands
    uint32_t id_bank = 0;
    uint32_t register_writes = 0;
    uint32_t register_reads = 0;

    // Populated with `chips` where `bank_map` has a bit, empty elsewhere.
    void populate(uint32_t bank_map, const ChipIds& chips) {
        for (uint32_t bank = 0; bank < 32; ++bank) {
            ids[bank] = (bank_map >> bank) & 1 ? chips : NO_CHIPS;
        }
    }

    uint32_t cell(uint32_t address) const {
        const uint32_t offset = address - 0x40000000;
        switch (sdram) {
            case SdramPart::mb16:
                return (offset & ~0x400u) & 0xFFFFFF;
            case SdramPart::mb32:
            case SdramPart::mb32_open_above:
                return offset & 0x1FFFFFF;
            case SdramPart::mb64:
                break;
        }
        return offset;
    }

    uint32_t read_word(uint32_t address) const {
        if (address >= REG_BANK_STATUS && address < REG_BANK_STATUS + 32) {
            return load_le32(bank_status.data() + (address - REG_BANK_STATUS));
        }
        if (sdram == SdramPart::mb32_open_above && address >= 0x42000000) {
            return 0;
        }
        const auto found = words.find(cell(address));
        return found == words.end() ? 0 : found->second;
    }

    void execute(const uint8_t* command) {
        std::vector<uint8_t>& sector0 = recording_disk.read_source;
        switch (load_le32(command)) {
            case CMD_WRITE_REG:
                ++register_writes;
                words[cell(load_le32(command + 4 * WORD_REG_ADDR))] = load_le32(command + 4 * WORD_REG_VALUE);
                break;
            case CMD_READ_REG:
                ++register_reads;
                store_le32(sector0.data(), read_word(load_le32(command + 4 * WORD_REG_ADDR)));
                break;
            case CMD_FLASH_OP:
                if (load_le32(command + 4 * WORD_SUB_OP) == FOP_READ_ID) {
                    id_bank = load_le32(command + 4 * WORD_BANK);
                }
                break;
            case CMD_BUFFER_COPY:
                for (uint32_t j = 0; j < 5; ++j) {
                    store_le16(sector0.data() + 2 * j, ids[id_bank][j]);
                }
                break;
        }
    }

    void answer(DiskTransfer& transfer) {
        std::vector<uint8_t>& memory = recording_disk.read_source;
        if (transfer.is_write) {
            memory.resize(std::max<size_t>(memory.size(), transfer.position + transfer.bytes));
            std::copy(transfer.data.begin(), transfer.data.end(), memory.begin() + transfer.position);
            if (transfer.position == 0) {
                execute(transfer.data.data());
            }
        }
        if (transfer.bytes > 512) {
            transfer.data = {};
        }
    }

    // Takes the drive's part on the recording disk.
    void attach() {
        recording_disk.read_source.assign(512, 0);
        recording_disk.after_transfer = [this](DiskTransfer& transfer) { answer(transfer); };
    }
};
