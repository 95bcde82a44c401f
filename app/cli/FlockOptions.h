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
    bool settings = false;          // --settings: the world settings' table
    bool headless = false;
    std::string dataFolder;         // --data; empty: searched
    FlockChoice flock;              // --agents, --sensors, --random-sensors
    std::optional<unsigned> seed;   // --seed; the window otherwise seeds with the time
    bool quiet = false;             // --quiet: no chatter from the decision library
    double seconds = 60;            // headless only, from here on
    double every = 0;               // 0: no rows but the last
    std::string csvFile;
    std::string svgFile;
    bool sweep = false;      // --sweep: many headless flights
    bool summarize = false;  // --summarize FILE...: the sweep's table of row files
    SweepChoice sweepChoice;        // with --set and --setup of a flight or the window too
};

// The modes an option goes with.
enum FlockMode : unsigned { kWindow = 1, kHeadless = 2, kSweep = 4, kSummarize = 8, kAnyMode = 15 };

struct FlockOptionParse;

// One option of flock: the parse, the help, the combination checks and the reference
// in docs/flock.md all come from these rows.
struct FlockOptionRow {
    const char* name;      // "--seed"
    const char* argument;  // "N", or null for an option without a value
    const char* label;     // the help's left column when not "NAME ARGUMENT"
    const char* help;      // the help's lines after the label; null: left out of the help
    unsigned modes;        // FlockMode bits
    const char* range;     // the values it takes, for the reference
    void (*set)(FlockOptionParse&, const std::string& value);
};

const std::vector<FlockOptionRow>& flockOptionTable();

// A command line that cannot be followed; the text says what is wrong, in one line.
using UsageError = tala::interp::CommandLineError;

// Reads the arguments after the program name, "--name value" or "--name=value".
FlockOptions parseFlockOptions(const std::vector<std::string>& arguments);

// The synopsis lines, for usage errors.
std::string flockUsage();
// The synopsis, every option and key, and where to read more, for --help.
std::string flockHelp();
// The world settings' table for --settings.
std::string flockSettings();
// Every option with the modes it goes with and its values, as the Markdown table of
// docs/flock.md.
std::string flockOptionReference();

}  // namespace flock
