// The station's output when it is not on a terminal: one line per event,
// "drive N: ...".
#pragma once

#include "port.h"

namespace station {

// Lines for what has happened on the port since the last call.
void tell_events(Port* port);

void tell_started(const Port& port);
void tell_ended(const Port& port);

}  // namespace station
