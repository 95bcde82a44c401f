#pragma once
// What `flock --sweep` flies and `flock --summarize` reads, from the command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/sim/FlockSetup.h"
#include "app/sim/WorldSettings.h"

namespace flock {

inline constexpr std::int64_t kMaxSweepRuns = 100000;
inline constexpr int kMaxSweepJobs = 1024;

// One entry of --sensors: its name in the rows and where the sensors come from.
struct SweepSensors {
    std::string label;  // "setup", "random" or the file as given
    SensorSource source = SensorSource::Setup;
    std::string file;  // for SensorSource::File, made absolute before the data folder is entered
};

// One world setting's values: one for a flight, a list or a range for a sweep.
struct SettingAxis {
    const WorldSetting* setting = nullptr;
    std::vector<double> values;
};

// One entry of --setup: its name in the rows and the script.
struct SweepSetup {
    std::string label;  // as given
    std::string file;   // made absolute before the data folder is entered
    // Where it runs (its own folder), its file name there, and the folders after it
    // that hold QDM_Scripts/: found by the program before any flight.
    std::string folder, script;
    std::vector<std::string> scriptFolders;
};

struct SweepChoice {
    std::vector<unsigned> seeds;        // --seeds, default 1-10
    std::vector<int> agentCounts;       // --agents K1,K2,...
    std::vector<SweepSensors> sensors;  // --sensors S1,S2,...: files, setup or random
    std::vector<double> seconds;        // --seconds S1,S2,...
    std::vector<SweepSetup> setups;     // --setup F1,F2,...; empty: the data folder's script
    std::vector<SettingAxis> axes;      // --set NAME=..., in the order of the settings table
    // Rows carry the setup and settings columns: --set or --setup was given.
    bool grid = false;
    std::optional<int> jobs;            // --jobs; otherwise one per core
    int shard = 1, shards = 1;          // --shard K/N
    std::vector<std::string> rowFiles;  // --summarize FILE...

    // Every combination: setups outermost, then the settings in the table's order, the
    // seconds, the agents, the sensors, and the seeds innermost. A count past the
    // 64-bit range is given as its largest value.
    std::int64_t runCount() const;
};

// The seeds of "A-B" or "1,5,9" (items may be ranges: "1-3,7"); UsageError for an
// empty or reversed range, a seed given twice or more than kMaxSweepRuns of them.
std::vector<unsigned> parseSeeds(const std::string& text);

}  // namespace flock
