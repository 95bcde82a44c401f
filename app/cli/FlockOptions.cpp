#include "app/cli/FlockOptions.h"
#include "app/sim/FlightReport.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace flock {

namespace {

double readNumber(const std::string& option, const std::string& text) {
    double value = 0;
    if (!readField(text, value)) throw UsageError(option + " needs a number, not '" + text + "'");
    return value;
}

long long readWhole(const std::string& option, const std::string& text, long long low, long long high) {
    long long value = 0;
    if (!readField(text, value) || value < low || value > high)
        throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

double readSeconds(const std::string& option, const std::string& text) {
    const double value = readNumber(option, text);
    if (!(value > 0) || value > kMaxFlightSeconds)
        throw UsageError(option + " needs a number of seconds above 0 and at most " +
                         std::to_string(static_cast<int>(kMaxFlightSeconds)) + ", not '" + text + "'");
    return value;
}

std::vector<std::string> splitList(const std::string& option, const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(',', start);
        items.push_back(text.substr(start, end - start));
        if (items.back().empty()) throw UsageError(option + " has an empty item in '" + text + "'");
        if (end == std::string::npos) return items;
        start = end + 1;
    }
}

SweepSensors sweepSensors(const std::string& item) {
    if (item == "random") return {item, SensorSource::Random, {}};
    if (item == "setup") return {item, SensorSource::Setup, {}};
    // The name is a column of the row files.
    for (char c : item)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"')
            throw UsageError("--sensors: a file name with a quote or a control character cannot be a row's sensors");
    return {item, SensorSource::File, item};
}

void readShard(const std::string& text, SweepChoice& sweep) {
    const auto slash = text.find('/');
    long long k = 0, n = 0;
    if (slash == std::string::npos || !readField(text.substr(0, slash), k) || !readField(text.substr(slash + 1), n) ||
        n < 1 || n > kMaxSweepRuns || k < 1 || k > n)
        throw UsageError("--shard needs K/N with 1 <= K <= N <= " + std::to_string(kMaxSweepRuns) + ", not '" + text +
                         "'");
    sweep.shard = static_cast<int>(k);
    sweep.shards = static_cast<int>(n);
}

}  // namespace

std::vector<unsigned> parseSeeds(const std::string& text) {
    const std::string option = "--seeds";
    constexpr long long highest = std::numeric_limits<unsigned>::max();
    std::vector<std::pair<long long, long long>> ranges;
    long long count = 0;
    for (const std::string& item : splitList(option, text)) {
        const auto dash = item.find('-', 1);
        const long long first = readWhole(option, item.substr(0, dash), 0, highest);
        const long long last = dash == std::string::npos ? first : readWhole(option, item.substr(dash + 1), 0, highest);
        if (last < first) throw UsageError("--seeds: the range '" + item + "' is reversed");
        count += last - first + 1;
        if (count > kMaxSweepRuns)
            throw UsageError("--seeds: more than " + std::to_string(kMaxSweepRuns) + " seeds in '" + text + "'");
        ranges.emplace_back(first, last);
    }
    std::vector<unsigned> seeds;
    for (auto [first, last] : ranges)
        for (long long seed = first; seed <= last; ++seed) seeds.push_back(static_cast<unsigned>(seed));
    std::vector<unsigned> sorted = seeds;
    std::sort(sorted.begin(), sorted.end());
    const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
    if (twice != sorted.end()) throw UsageError("--seeds: seed " + std::to_string(*twice) + " is given twice");
    return seeds;
}

namespace {

// Every option, and whether it takes a value.
const std::vector<tala::interp::OptionRow> kFlockOptions = {
    {"--help"},         {"--version"},     {"--headless"},      {"--quiet"},        {"--random-sensors"},
    {"--sweep"},        {"--summarize"},   {"--data", true},    {"--agents", true}, {"--seed", true},
    {"--sensors", true}, {"--seconds", true}, {"--every", true}, {"--csv", true},   {"--svg", true},
    {"--seeds", true},  {"--jobs", true},  {"--shard", true},
    {"--pairs", true},  {"--series", true},
};

// Two names of one file: the same text, or the same place once made absolute.
bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error) && !error) return true;
    const auto place = [&](const std::string& name) { return std::filesystem::absolute(name, error).lexically_normal(); };
    return place(a) == place(b);
}

void refuseOneFileForBoth(const FlockOptions& options) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--csv", &options.csvFile}, {"--svg", &options.svgFile}, {"--pairs", &options.pairsFile}, {"--series", &options.seriesFile}};
    for (std::size_t i = 0; i < std::size(outputs); ++i)
        for (std::size_t j = i + 1; j < std::size(outputs); ++j)
            if (!outputs[i].second->empty() && sameFile(*outputs[i].second, *outputs[j].second))
                throw UsageError(std::string(outputs[i].first) + " and " + outputs[j].first + " name one file, '" +
                                 *outputs[i].second + "': give each its own");
}

// A sweep takes the flight's options but --every and --seed; --summarize only its files.
void checkSweepCombination(FlockOptions& options, const std::vector<std::string>& given,
                           const std::vector<std::string>& sweepOnly) {
    const auto has = [&](const char* name) { return std::find(given.begin(), given.end(), name) != given.end(); };
    if (options.sweep + options.summarize + options.headless > 1)
        throw UsageError("--headless, --sweep and --summarize: choose one");
    if (!options.sweep && !sweepOnly.empty()) throw UsageError(sweepOnly.front() + " needs --sweep");
    if (options.summarize) {
        for (const std::string& name : given)
            if (name != "--summarize" && name != "--csv" && name != "--svg" && name != "--pairs")
                throw UsageError(name + " does not go with --summarize");
        if (options.sweepChoice.rowFiles.empty()) throw UsageError("--summarize needs one or more row files");
    }
    if (!options.sweep && !options.summarize && has("--pairs")) throw UsageError("--pairs needs --sweep or --summarize");
    if (has("--series") && !has("--every")) throw UsageError("--series needs --every T: the length of a period");
    refuseOneFileForBoth(options);
    if (!options.sweep) return;
    if (has("--every") && !has("--series")) throw UsageError("--every in a sweep needs --series FILE");
    if (has("--seed")) throw UsageError("--seed does not go with --sweep: give --seeds");
    SweepChoice& choice = options.sweepChoice;
    if (choice.seeds.empty()) choice.seeds = parseSeeds("1-10");
    if (choice.agentCounts.empty()) choice.agentCounts.push_back(options.flock.agentCount);
    if (choice.sensors.empty()) choice.sensors.push_back({"setup", SensorSource::Setup, {}});
    // A setting given twice would be one setting with every seed twice.
    for (std::size_t i = 0; i < choice.agentCounts.size(); ++i)
        if (std::count(choice.agentCounts.begin(), choice.agentCounts.begin() + static_cast<std::ptrdiff_t>(i),
                       choice.agentCounts[i]) > 0)
            throw UsageError("--agents: " + std::to_string(choice.agentCounts[i]) + " is given twice");
    for (std::size_t i = 0; i < choice.sensors.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (choice.sensors[j].label == choice.sensors[i].label)
                throw UsageError("--sensors: '" + choice.sensors[i].label + "' is given twice");
    if (choice.runCount() > kMaxSweepRuns)
        throw UsageError(std::to_string(choice.runCount()) + " runs: a sweep has at most " +
                         std::to_string(kMaxSweepRuns));
    for (int agents : choice.agentCounts)
        if (options.seconds * agents > kMaxAgentSeconds)
            throw UsageError("a flight of " + std::to_string(agents) + " agents can last at most " +
                             std::to_string(static_cast<int>(kMaxAgentSeconds / agents)) + " seconds");
}

void checkCombination(const FlockOptions& options, const std::vector<std::string>& headlessOnly) {
    if (options.sweep || options.summarize) return;
    if (!options.headless && !headlessOnly.empty()) throw UsageError(headlessOnly.front() + " needs --headless");
    if (!options.headless) return;
    refuseOneFileForBoth(options);
    if (options.seconds * options.flock.agentCount > kMaxAgentSeconds)
        throw UsageError("a flight of " + std::to_string(options.flock.agentCount) + " agents can last at most " +
                         std::to_string(static_cast<int>(kMaxAgentSeconds / options.flock.agentCount)) +
                         " seconds");
}

}  // namespace

FlockOptions parseFlockOptions(const std::vector<std::string>& arguments) {
    FlockOptions options;
    tala::interp::OptionReader reader(arguments, kFlockOptions);
    std::vector<std::string> headlessOnly;
    bool sensorsChosen = false;
    // A sweep reads --agents and --sensors as lists.
    const bool sweeping = std::find(arguments.begin(), arguments.end(), "--sweep") != arguments.end();
    SweepChoice& sweep = options.sweepChoice;
    std::vector<std::string> given, sweepOnly;
    using Kind = tala::interp::OptionReader::Kind;
    while (reader.next()) {
        const std::string& text = reader.text();
        // Named without the value given to it: "--frames=3" is "--frames".
        if (reader.kind() == Kind::Unknown || reader.kind() == Kind::End || text == "-")
            throw UsageError("unknown option '" + text.substr(0, text.starts_with("--") ? text.find('=') : text.npos) + "'");
        const std::string& name = reader.kind() == Kind::Operand ? reader.value() : reader.name();
        if (reader.kind() == Kind::Option) given.push_back(name);
        if (sweeping && name == "--agents") {
            for (const std::string& item : splitList(name, reader.value()))
                sweep.agentCounts.push_back(static_cast<int>(readWhole(name, item, 1, kMaxAgentCount)));
        } else if (sweeping && (name == "--sensors" || name == "--random-sensors")) {
            const std::vector<std::string> items =
                name == "--sensors" ? splitList(name, reader.value()) : std::vector<std::string>{"random"};
            for (const std::string& item : items) sweep.sensors.push_back(sweepSensors(item));
        } else if (name == "--sweep") {
            options.sweep = true;
        } else if (name == "--summarize") {
            options.summarize = true;
        } else if (name == "--seeds") {
            sweep.seeds = parseSeeds(reader.value());
            sweepOnly.push_back(name);
        } else if (name == "--jobs") {
            sweep.jobs = static_cast<int>(readWhole(name, reader.value(), 1, kMaxSweepJobs));
            sweepOnly.push_back(name);
        } else if (name == "--shard") {
            readShard(reader.value(), sweep);
            sweepOnly.push_back(name);
        } else if (options.summarize && reader.kind() == Kind::Operand) {
            sweep.rowFiles.push_back(name);
        } else if (name == "--help") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--headless") {
            options.headless = true;
        } else if (name == "--data") {
            options.dataFolder = reader.value();
            if (options.dataFolder.empty()) throw UsageError("--data needs a folder");
        } else if (name == "--agents") {
            options.flock.agentCount = static_cast<int>(readWhole(name, reader.value(), 1, kMaxAgentCount));
        } else if (name == "--seed") {
            options.seed = static_cast<unsigned>(readWhole(name, reader.value(), 0, std::numeric_limits<unsigned>::max()));
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--sensors" || name == "--random-sensors") {
            if (sensorsChosen) throw UsageError("--sensors and --random-sensors: choose one, once");
            sensorsChosen = true;
            if (name == "--sensors") {
                options.flock.sensors = SensorSource::File;
                options.flock.sensorFile = reader.value();
                if (options.flock.sensorFile.empty()) throw UsageError("--sensors needs a file");
            } else {
                options.flock.sensors = SensorSource::Random;
            }
        } else if (name == "--seconds") {
            options.seconds = readSeconds(name, reader.value());
            headlessOnly.push_back(name);
        } else if (name == "--every") {
            options.every = readSeconds(name, reader.value());
            headlessOnly.push_back(name);
        } else if (name == "--pairs") {
            options.pairsFile = reader.value();
            if (options.pairsFile.empty()) throw UsageError("--pairs needs a file");
        } else if (name == "--csv" || name == "--svg" || name == "--series") {
            std::string& file = name == "--csv" ? options.csvFile : name == "--svg" ? options.svgFile : options.seriesFile;
            file = reader.value();
            if (file.empty()) throw UsageError(name + " needs a file");
            headlessOnly.push_back(name);
        } else {
            throw UsageError("unexpected argument '" + name + "'");
        }
    }
    // --help and --version answer whatever else the line says.
    if (!options.help && !options.version) {
        checkSweepCombination(options, given, sweepOnly);
        checkCombination(options, headlessOnly);
    }
    return options;
}

std::string flockUsage() {
    return "Usage: flock [--data DIR] [--agents K] [--seed N] [--sensors FILE | --random-sensors]\n"
           "       flock --headless [--seconds S] [--every T] [--csv FILE] [--svg FILE] ...\n"
           "       flock --sweep [--seeds A-B | --seeds S1,S2,...] [--agents K1,K2,...]\n"
           "             [--sensors FILE|setup|random,...] [--jobs N] [--shard K/N] [--csv FILE] [--svg FILE] ...\n"
           "       flock --summarize FILE... [--csv FILE] [--svg FILE] [--pairs FILE]\n"
           "       flock --help | --version\n";
}

std::string flockHelp() {
    return flockUsage() +
           "\n"
           "A flock of agents, each steered by its own quantum decision maker, in a window\n"
           "(keys: P start/stop, R reset, Z/X camera, D each agent's decision odds, Escape quit)\n"
           "or flown without one for experiments; the first line's options serve both.\n"
           "\n"
           "Options:\n"
           "  --data DIR          the folder holding vex_flock_setup.txt; without it flock looks in\n"
           "                      the working folder, then the project's or the installed data\n"
           "  --agents K          K agents, 1 to 256 (default 8)\n"
           "  --seed N            seed of the random generator (default: the time; 1 when headless)\n"
           "  --sensors FILE      the sensors of FILE in place of those the setup script loads\n"
           "  --random-sensors    untrained sensors center, left and right, drawn at random\n"
           "  --quiet             leave out the decision library's own chatter (sizes at start-up\n"
           "                      and at every decision); script messages and failures stay\n"
           "  --headless          fly without a window on a clock of 60 frames a second and print\n" +
           figuresHelp() +
           "  --seconds S         simulated seconds to fly (default 60), at most 3600, and at\n"
           "                      most 28800 / K with K agents\n"
           "  --every T           also a row of figures for every T simulated seconds\n"
           "  --csv FILE          one row per decision: time,agent,x,y,heading,stimulus,decision\n"
           "  --svg FILE          a picture of the paths and of the figures over time\n"
           "  --series FILE       with --every, in a flight or a sweep: one CSV row per run and\n"
           "                      period (run,time and the figures)\n"
           "  --sweep             headless flights over every combination of --seeds (default 1-10),\n"
           "                      --agents K1,K2,... and --sensors S1,S2,... (each a file, setup\n"
           "                      or random); prints one row per setting with means, deviations\n"
           "                      and 95% intervals, and paired differences between the sensors\n"
           "  --jobs N            flights at once in a sweep, each its own process (default: one\n"
           "                      per core)\n"
           "  --shard K/N         only the K-th of N equal slices of the sweep's runs\n"
           "                      (with --sweep, --csv writes one row per run and --svg the means)\n"
           "  --pairs FILE        with --sweep or --summarize: the paired differences as CSV\n"
           "  --summarize FILE... the sweep's table (and --svg) from row files written by --csv\n"
           "  -h, --help          this text\n"
           "  --version           the version\n"
           "\n"
           "Exit status: 0 done, 1 the data or an output file failed, 2 a bad command line.\n"
           "More: README.md and docs/flock.md in the project, installed under\n"
           "share/doc/QuantumFlock.\n";
}

}  // namespace flock
