#pragma once
// The world settings and setup of a sweep's runs as columns of its rows. Rows of a
// sweep that varies neither carry none of these columns, so that such sweeps keep
// the rows they always had; a row with them names its setup script and every
// setting's value, so that a row file can be read without the command line.

#include <string>
#include <vector>

#include "app/sim/WorldSettings.h"

namespace flock {

struct SweepRow;

inline constexpr const char* kDefaultSetupLabel = "vex_flock_setup.txt";

// How many fields the grid columns add.
std::size_t gridColumnCount();
// ",SETUP,VALUE..." of the row, each value the shortest text that reads back the same.
std::string gridFields(const SweepRow& row);
// Reads the grid fields (those after the plain ones) into the row; why they are not
// grid fields otherwise.
std::string parseGridFields(const std::vector<std::string>& fields, SweepRow& row);

}  // namespace flock
