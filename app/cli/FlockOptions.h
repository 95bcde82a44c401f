#pragma once
// The flock program's command line.

#include <optional>
#include <string>
#include <vector>

#include "app/sim/FlockSetup.h"
#include "app/cli/SweepOptions.h"
#include "support/ProgramOptions.h"

namespace flock {

inline constexpr double kMaxFlightSeconds = 3600;
// A headless flight's agents times its seconds: 8 agents for an hour at most, so that
// no flight runs for hours or fills the memory with its records.
inline constexpr double kMaxAgentSeconds = 8 * 3600;

struct FlockOptions {
    bool help = false;
    bool version = false;
    bool headless = false;
    std::string dataFolder;         // --data; empty: searched
    FlockChoice flock;              // --agents, --sensors, --random-sensors
    std::optional<unsigned> seed;   // --seed; the window otherwise seeds with the time
    bool quiet = false;             // --quiet: no chatter from the decision library
    double seconds = 60;            // headless only, from here on
    double every = 0;               // 0: no rows but the last
    std::string csvFile;
    std::string svgFile;
    std::string pairsFile;   // --pairs: the sweep's paired differences as CSV
    std::string seriesFile;  // --series: the figures of every --every period as CSV
    bool sweep = false;      // --sweep: many headless flights
    bool summarize = false;  // --summarize FILE...: the sweep's table of row files
    SweepChoice sweepChoice;
    std::vector<std::string> arguments;  // the whole command line, "flock" first, for row files
};

// A command line that cannot be followed; the text says what is wrong, in one line.
using UsageError = tala::interp::CommandLineError;

// Reads the arguments after the program name, "--name value" or "--name=value".
FlockOptions parseFlockOptions(const std::vector<std::string>& arguments);

// The synopsis lines, for usage errors.
std::string flockUsage();
// The synopsis, every option and key, and where to read more, for --help.
std::string flockHelp();

}  // namespace flock
