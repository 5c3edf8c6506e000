// The operator's keys at the live table.
#pragma once

#include <vector>

#include "port.h"

namespace station {

struct Desk {
    std::vector<Port>* ports = nullptr;
    const StationSettings* settings = nullptr;
    int focus = -1;
    bool quit = false;  // q pressed while every drive waits (--repeat)
};

// Keeps the focus on a port that needs the operator, the one it was on
// while it still does.
void keep_focus(Desk* desk);

// One key: answers the question in focus, starts the next run of a swapped
// drive, moves the focus (Tab) or ends the session (q).
void take_key(Desk* desk, int key);

}  // namespace station
