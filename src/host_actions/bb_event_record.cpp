#include "host_actions/bb_event_record.h"

#include "little_endian.h"

namespace {

constexpr uint32_t KIND_WORD = 2;
constexpr uint32_t ENTRY_WORD = 4;

}  // namespace

bool read_bb_event_record(const uint8_t* page, BbEventRecord* record) {
    if (load_le32(page) != BB_RECORD_MAGIC1 || load_le32(page + 4) != BB_RECORD_MAGIC2) {
        return false;
    }
    record->kind = load_le32(page + 4 * KIND_WORD);
    record->entry = unpack_runtime_bb_entry(load_le32(page + 4 * ENTRY_WORD));
    return true;
}
