// A drive in factory mode as far as the bad-block tables ask it, played on
// the recording disk: block zero of every bank holds pages that flash reads
// return with the read status given for them (never written pages read as
// erased), erases answer with the status given for their bank and block,
// register reads of the status words return the status of each bank's last
// operation, and the initial bad-block scan leaves its result in the data
// window. Commands are kept as their words and transfers without their data,
// so that a whole rework erase fits in memory.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "little_endian.h"
#include "selected_build.h"
#include "support/doubles/recording_disk.h"

struct BadBlockDriveCommand {
    std::array<uint32_t, 40> words;  // the words any of these commands fills
    std::string trail;               // the station log trail when it was sent

    uint32_t operator[](unsigned word) const {
        return words[word];
    }
};

struct BadBlockDrivePage {
    std::vector<uint8_t> bytes;
    uint8_t read_status;
};

struct BadBlockDrive {
    std::map<std::pair<uint32_t, uint32_t>, BadBlockDrivePage> block_zero;  // by bank and page
    std::map<std::pair<uint32_t, uint32_t>, uint8_t> erase_status;          // by bank and block
    std::vector<uint8_t> scan_result;
    std::array<uint8_t, 32> bank_status{};
    std::vector<BadBlockDriveCommand> commands;

    void store_page(uint32_t bank, uint32_t page, std::vector<uint8_t> bytes, uint8_t read_status = 0) {
        block_zero[{bank, page}] = {std::move(bytes), read_status};
    }

    uint8_t* data_window(uint32_t bytes) {
        std::vector<uint8_t>& memory = recording_disk.read_source;
        memory.resize(std::max<size_t>(memory.size(), DATA_WINDOW_BYTE + bytes));
        return memory.data() + DATA_WINDOW_BYTE;
    }

    void read_page(const BadBlockDriveCommand& c) {
        uint8_t* out = data_window(c[WORD_BYTE_COUNT]);
        std::memset(out, 0xFF, c[WORD_BYTE_COUNT]);
        const auto found = block_zero.find({c[WORD_BANK], c[WORD_ROW_LOW]});
        if (found == block_zero.end()) {
            bank_status[c[WORD_BANK]] = 0x20;
            return;
        }
        const std::vector<uint8_t>& bytes = found->second.bytes;
        std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), c[WORD_BYTE_COUNT]), out);
        bank_status[c[WORD_BANK]] = found->second.read_status;
    }

    void erase(const BadBlockDriveCommand& c) {
        const auto found = erase_status.find({c[WORD_BANK], c[WORD_ROW_LOW] / BUILD_PAGES_PER_BLOCK});
        bank_status[c[WORD_BANK]] = found == erase_status.end() ? 0 : found->second;
    }

    void execute(const BadBlockDriveCommand& c) {
        switch (c[WORD_OPCODE]) {
            case CMD_FLASH_OP:
                if (c[WORD_SUB_OP] == FOP_READ) {
                    read_page(c);
                } else if (c[WORD_SUB_OP] == FOP_ERASE) {
                    erase(c);
                }
                break;
            case CMD_READ_REG: {
                const uint32_t offset = c[WORD_REG_ADDR] - REG_BANK_STATUS;
                const uint32_t value = offset < 32 ? load_le32(bank_status.data() + offset) : 0;
                store_le32(recording_disk.read_source.data(), value);
                break;
            }
            case CMD_SCAN_INITIAL_BAD:
                std::copy(scan_result.begin(), scan_result.end(),
                          data_window(static_cast<uint32_t>(scan_result.size())));
                break;
        }
    }

    void answer(DiskTransfer& transfer) {
        if (transfer.is_write && transfer.position == 0) {
            BadBlockDriveCommand c{{}, log_buffer};
            for (uint32_t word = 0; word < c.words.size(); ++word) {
                c.words[word] = load_le32(transfer.data.data() + 4 * word);
            }
            commands.push_back(c);
            execute(c);
        }
        transfer.data = {};
    }

    // Takes the drive's part on the recording disk.
    void attach() {
        recording_disk.read_source.assign(512, 0);
        recording_disk.after_transfer = [this](DiskTransfer& transfer) { answer(transfer); };
    }

    std::vector<BadBlockDriveCommand> flash_ops(uint32_t sub_op) const {
        std::vector<BadBlockDriveCommand> found;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(found), [sub_op](const auto& c) {
            return c[WORD_OPCODE] == CMD_FLASH_OP && c[WORD_SUB_OP] == sub_op;
        });
        return found;
    }
};

// A block-zero page whose first words are the given ones, zero after them.
inline std::vector<uint8_t> page_of_words(const std::vector<uint32_t>& words, size_t bytes = 8192) {
    std::vector<uint8_t> page(bytes, 0);
    for (size_t i = 0; i < words.size(); ++i) {
        store_le32(page.data() + 4 * i, words[i]);
    }
    return page;
}
