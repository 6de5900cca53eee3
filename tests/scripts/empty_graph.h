// The empty graph a new lesson starts from, as the program's own graph writer makes it.
#pragma once
#include <cstdint>
#include <vector>

// A new document without a window (the values File New gives it), written whole as File Save
// writes a graph; empty when it could not be made. Needs the program booted.
std::vector<uint8_t> WriteEmptyGraph();
