// The live table on the station's terminal: a row per drive port, the
// session's count under it, then the question or swap in focus and the
// keys that answer it.
#pragma once

#include <string>
#include <vector>

#include "port.h"
#include "tally.h"

namespace station {

// The port's question or, with --repeat, its wait for the next drive.
bool needs_operator(const Port& port, bool repeat);

struct TableView {
    const std::vector<Port>* ports = nullptr;
    int focus = -1;  // the port whose question the keys answer, -1 for none
    bool repeat = false;
    std::string tally;
    int columns = 80;
};

std::vector<std::string> table_lines(const TableView& view);

// Draws the lines over those drawn before (`drawn` of them).
void draw_table(const std::vector<std::string>& lines, size_t* drawn);

}  // namespace station
