#pragma once
// What `flock --sweep` flies and `flock --summarize` reads, from the command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/sim/FlockSetup.h"

namespace flock {

inline constexpr std::int64_t kMaxSweepRuns = 100000;
inline constexpr int kMaxSweepJobs = 1024;

// One entry of --sensors: its name in the rows and where the sensors come from.
struct SweepSensors {
    std::string label;  // "setup", "random" or the file as given
    SensorSource source = SensorSource::Setup;
    std::string file;  // for SensorSource::File, made absolute before the data folder is entered
};

struct SweepChoice {
    std::vector<unsigned> seeds;        // --seeds, default 1-10
    std::vector<int> agentCounts;       // --agents K1,K2,...
    std::vector<SweepSensors> sensors;  // --sensors S1,S2,...: files, setup or random
    std::optional<int> jobs;            // --jobs; otherwise one per core
    int shard = 1, shards = 1;          // --shard K/N
    std::vector<std::string> rowFiles;  // --summarize FILE...

    // Every combination, agents outermost, then sensors, then seeds.
    std::int64_t runCount() const {
        return static_cast<std::int64_t>(seeds.size()) * static_cast<std::int64_t>(agentCounts.size()) *
               static_cast<std::int64_t>(sensors.size());
    }
};

// The seeds of "A-B" or "1,5,9" (items may be ranges: "1-3,7"); UsageError for an
// empty or reversed range, a seed given twice or more than kMaxSweepRuns of them.
std::vector<unsigned> parseSeeds(const std::string& text);

}  // namespace flock
