// Prepares the firmware images for block zero in the work block's staging
// areas: the bootloader as it is, the firmware and the overlay host-encoded
// page by page, each area 0xFF behind its content. Completes the stamp with
// the scrambler seeds the pages were encoded with and the reserved word.
// Runs after build_stamp and before the stamp is written.
#pragma once

void prepare_images();
