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
    std::string pairsFile;   // --pairs: the sweep's paired differences as CSV
    std::string seriesFile;  // --series: the figures of every --every period as CSV
    bool sweep = false;      // --sweep: many headless flights
    bool summarize = false;  // --summarize FILE...: the sweep's table of row files
    SweepChoice sweepChoice;        // with --set and --setup of a flight or the window too
    std::vector<std::string> arguments;  // the whole command line, "flock" first, for row files
};

// The modes an option goes with.
enum FlockMode : unsigned { kWindow = 1, kHeadless = 2, kSweep = 4, kSummarize = 8, kAnyMode = 15 };

struct FlockOptionParse;

// Where an option stands in the usage's synopsis: on line `slot / 10`, ordered by the slot,
// spelled as `text` with "%" for its name and "@" for "NAME ARGUMENT".
struct UsagePlace {
    int slot;
    const char* text = "[@]";
};

// One option of flock: the parse, the usage, the help, the combination checks and the
// reference in docs/flock.md all come from these rows.
struct FlockOptionRow {
    const char* name;      // "--seed"
    const char* argument;  // "N", or null for an option without a value
    const char* label;     // the help's left column when not "NAME ARGUMENT"
    const char* help;      // the help's lines after the label; null: left out of the help
    unsigned modes;        // FlockMode bits
    const char* range;     // the values it takes, for the reference
    std::vector<UsagePlace> usage;  // its places in the usage's synopsis
    void (*set)(FlockOptionParse&, const std::string& value);
};

const std::vector<FlockOptionRow>& flockOptionTable();

// A command line that cannot be followed; the text says what is wrong, in one line.
using UsageError = support::CommandLineError;

// The pieces of `text` between the separators: "a,,b" is "a", "" and "b".
std::vector<std::string> splitText(const std::string& text, char separator);

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
