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

// ",setup" and ",NAME" for every setting, after the plain header's columns.
std::string gridHeaderColumns();
// How many fields the grid columns add.
std::size_t gridColumnCount();
// ",SETUP,VALUE..." of the row, each value the shortest text that reads back the same.
std::string gridFields(const SweepRow& row);
// Reads the grid fields (those after the plain ones) into the row; why they are not
// grid fields otherwise.
std::string parseGridFields(const std::vector<std::string>& fields, SweepRow& row);
// One text that tells the setup and settings of two rows apart.
std::string gridKey(const SweepRow& row);

// The settings that some row holds at other than its default, in table order: what a
// summary shows beside the setup.
std::vector<const WorldSetting*> shownSettings(const std::vector<const SweepRow*>& rows);
// ", SETUP, NAME=VALUE..." of a grid row for a picture's label: the setup when not the
// default one, and the settings not at their default; empty for a plain row.
std::string gridLabel(const SweepRow& row);
// The cells "setup" and the shown settings' names, or those of one row.
std::vector<std::string> gridHeaderCells(const std::vector<const WorldSetting*>& shown);
std::vector<std::string> gridCells(const SweepRow& row, const std::vector<const WorldSetting*>& shown);

}  // namespace flock
