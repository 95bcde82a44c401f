#pragma once
// The rows of a sweep, one per flight, as the CSV files hold them, and what is made of
// them: the summary table, the pairs and the picture. The sweep itself and
// `flock --summarize` both go through the text of the rows, so that a table made from
// row files is the table of the sweep that wrote them, byte for byte.
//
// A row file starts with provenance lines ("# flock VERSION", "# command: ...", one
// "# setup|sensors SIZE SHA256 NAME" per file the flights read), then the header, then
// one row per run. Figures are written as the shortest text that reads back to the same
// double, so that statistics of the file are those of the flights.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/FileDigest.h"
#include "app/cli/SweepGrid.h"
#include "app/sim/HeadlessFlight.h"

namespace flock {

// Counts in a row file are whole numbers up to 2^53, which a double holds exactly.
inline constexpr std::int64_t kMaxRowCount = std::int64_t{1} << 53;
// Figures beyond this are no flight's: the deviation of such values would overflow.
inline constexpr double kMaxRowFigure = 1e12;
// At most this many pairs are compared in one summary.
inline constexpr std::size_t kMaxPairs = 100000;

struct SweepRow {
    std::int64_t run = 0;  // index in the whole sweep, from 0
    int agents = 8;
    std::string sensors;  // "setup", "random" or the sensor file as given
    double seconds = 60;
    unsigned seed = 1;
    FigureValues figures{};  // by FigureIndex, following in percent
    double wallSeconds = 0;
    std::vector<std::string> settings;  // the columns after wall_seconds, as read
    std::string origin;  // "FILE:LINE" of a row read from a file
    // Written after the columns above only by a sweep over settings or setups.
    bool grid = false;
    std::string setup = kDefaultSetupLabel;  // the setup script as given
    WorldSettings world;
};

// Where the rows of a file come from.
struct Provenance {
    std::string version;  // of the flock that wrote them
    std::string command;  // its command line, shell-quoted
    std::vector<FileIdentity> files;
};

// The rows of one file, with the names of its columns after wall_seconds.
struct RowFile {
    std::string name;
    Provenance provenance;
    std::vector<std::string> settingNames;
    std::vector<SweepRow> rows;
};

// A row file that cannot be read; the text names the file and the line.
class RowFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments as a shell would read them back, control bytes as \xNN.
std::string shellQuoted(const std::vector<std::string>& arguments);
// The "# ..." lines.
std::string provenanceLines(const Provenance& provenance);

// "run,agents,sensors,seconds,seed,", the figures' names, ",wall_seconds", then the
// setting names, and a newline.
std::string sweepRowsHeader(const std::vector<std::string>& settingNames = {});
// With `grid`, the setup's and the world settings' columns.
std::string sweepRowsHeader(bool grid);
// One line, ending in a newline, at full precision: a grid row's setup and world
// settings, or else the settings as read.
std::string sweepRowLine(const SweepRow& row);
// The row of a flight with these settings and figures.
SweepRow sweepRow(std::int64_t run, int agents, const std::string& sensors, double seconds, unsigned seed,
                  const FlightFigures& figures, double wallSeconds);

// The provenance and rows of a file's text; `fileName` is for messages. A file without
// provenance, or with a row no flight could have written, is refused.
RowFile readRowFile(const std::string& text, const std::string& fileName);
// The rows of one or many files in the order of their runs, and the columns of them
// all: a file without setting columns merges with files that have them, its rows
// taking the defaults they flew with. Refused: files with other columns, a setup or
// sensor file of one name but other contents in two files, and a run (the same
// settings and seed) held twice.
struct MergedRows {
    std::vector<std::string> settingNames;
    std::vector<SweepRow> rows;
};
MergedRows mergeRowFiles(const std::vector<RowFile>& files);
// The provenance of files merged: the first file's version, `command`, and every file
// identity once.
Provenance mergedProvenance(const std::vector<RowFile>& files, const std::string& command);

// One line per setting (agents, sensors, seconds and the settings that vary) in the
// order of their first run: the runs, the mean, deviation and 95 % interval of distance,
// polarisation and following, and the failures. Then one line per pair of settings that
// differ only in their sensors or only in their setup, over their common seeds: the mean
// paired difference of each figure with its interval, and in how many seeds the first
// did better. A mean or interval beyond what the figure can be is clamped, and a note
// under the table says so. RowFileError for more than kMaxPairs pairs.
std::string sweepSummary(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames = {});
// The pairs as CSV rows (after the provenance lines the caller writes).
std::string sweepPairsCsv(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames = {});

// One panel per figure, then one of the paired differences. Each setting's runs as
// dots and its mean with its interval; when a number setting varies, it is the x axis,
// with a line and a band per setting of the others.
std::string sweepPicture(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames = {});

// Tick values for an axis from `low` to `high`: steps of 1, 2 or 5 times a power of
// ten, about `wanted` of them.
std::vector<double> niceTicks(double low, double high, int wanted = 5);

}  // namespace flock
