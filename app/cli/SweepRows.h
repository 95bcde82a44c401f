#pragma once
// The rows of a sweep, one per flight, as the CSV files hold them, and what is made of
// them: the summary table and the picture. The sweep itself and `flock --summarize`
// both go through the text of the rows, so that a table made from row files is the
// table of the sweep that wrote them, byte for byte.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/SweepGrid.h"
#include "app/sim/HeadlessFlight.h"

namespace flock {

struct SweepRow {
    std::int64_t run = 0;  // index in the whole sweep, from 0
    int agents = 8;
    std::string sensors;  // "setup", "random" or the sensor file as given
    double seconds = 60;
    unsigned seed = 1;
    FigureValues figures{};  // by FigureIndex, following in percent
    double wallSeconds = 0;
    std::string origin;  // "FILE:LINE" of a row read from a file
    // Written after the columns above only by a sweep over settings or setups.
    bool grid = false;
    std::string setup = kDefaultSetupLabel;  // the setup script as given
    WorldSettings world;
};

// A row file that cannot be read; the text names the file and the line.
class RowFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "run,agents,sensors,seconds,seed,", the figures' names, ",wall_seconds", with a grid
// ",setup" and the settings' names, "\n".
std::string sweepRowsHeader(bool grid = false);
// One line, ending in a newline. The figures are rounded as the flight's table shows them.
std::string sweepRowLine(const SweepRow& row);
// The row of a flight with these settings and figures.
SweepRow sweepRow(std::int64_t run, int agents, const std::string& sensors, double seconds, unsigned seed,
                  const FlightFigures& figures, double wallSeconds);

// The rows of a file's text, header first, with or without the grid columns;
// `fileName` is for messages.
std::vector<SweepRow> readSweepRows(const std::string& text, const std::string& fileName);
// Rows from one or many files in the order of their runs; a run given twice is refused.
std::vector<SweepRow> mergeSweepRows(std::vector<SweepRow> rows);

// One line per setting (agents, sensors, seconds) in the order of their first run: the
// runs, the mean, deviation and 95 % interval of distance, polarisation and following,
// and the failures. With two or more sensors for the same agents and seconds, then one
// line per pair of them over their common seeds: the mean paired difference of each
// figure with its interval, and in how many seeds the first did better.
std::string sweepSummary(const std::vector<SweepRow>& rows);

// One panel per figure: each setting's runs as dots, its mean with its interval as an
// error bar.
std::string sweepPicture(const std::vector<SweepRow>& rows);

}  // namespace flock
