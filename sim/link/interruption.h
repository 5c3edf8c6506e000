// An interrupted run of prodtool-sim: the console's signal handler ends the
// process through a quick exit, and the drive is saved then as at any other
// end. Transfers and saves run with the interrupting signals held, so that
// the handler never finds the drive halfway through a command.
#pragma once

namespace sim_link {

void save_on_quick_exit(void (*save)());

void hold_interruptions();
void release_interruptions();

}  // namespace sim_link
