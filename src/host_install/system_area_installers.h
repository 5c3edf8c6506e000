// The installers that program the firmware context into the system pairs of
// the banks, in this order, with the controller in its normal-ECC
// configuration. Each reads its write back and compares it; a difference ends
// the run. Each needs build_firmware_context to have run.
#pragma once

// Zeros in every page of each bank's zero-page pair.
void install_zero_page();

// The metadata image, in pair pages dealt to the banks in turn: unit c of the
// image goes to bank index c mod N, page c / N of that bank's metadata pair.
void install_metadata();

// The HIL context, to the page and bank the master info names; releases the
// context once it is verified.
void install_hil_context();

// The master info, to the system blocks of the bank it names.
void install_master_info();
