#include "host_actions/bank_status.h"
#include "host_actions/drive_register.h"
#include "host_main/factory_commands.h"
#include "run_state/work_block.h"
#include "little_endian.h"

namespace {

constexpr uint32_t STATUS_WORDS = BANK_POSITIONS / 4;

uint8_t bank_status[BANK_POSITIONS];
alignas(SECTOR_BYTES) uint8_t status_sector[SECTOR_BYTES];

}  // namespace

const uint8_t* read_bank_status() {
    for (uint32_t i = 0; i < STATUS_WORDS; ++i) {
        // Bank 4i is the word's least significant byte.
        store_le32(bank_status + 4 * i, READ_DRIVE_REGISTER(REG_BANK_STATUS + 4 * i, status_sector));
    }
    return bank_status;
}
