#include "app/cli/FlockOptions.h"
#include "app/sim/FlightReport.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>

namespace flock {

std::vector<std::string> splitText(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
    }
    return parts;
}

namespace {

inline constexpr long long kMaxRangeCount = 1000;

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
    const std::vector<std::string> items = splitText(text, ',');
    for (const std::string& item : items)
        if (item.empty()) throw UsageError(option + " has an empty item in '" + text + "'");
    return items;
}

SweepSensors sweepSensors(const std::string& item) {
    for (const SensorKind& kind : kSensorKinds)
        if (kind.word && item == kind.word) return {item, kind.source, {}};
    // The name is a column of the row files.
    for (char c : item)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"')
            throw UsageError("--sensors: a file name with a quote or a control character cannot be a row's sensors");
    return {item, SensorSource::File, item};
}

// A name that becomes a column of the row files.
void refuseAsColumn(const std::string& option, const std::string& item) {
    for (char c : item)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == 0x7f)
            throw UsageError(option + ": a file name with a quote or a control character cannot be a row's " +
                             option.substr(2));
}

// "A,B,C" of numbers, or the range "START:STOP:COUNT" with both ends included.
std::vector<double> parseValues(const std::string& option, const std::string& text) {
    std::vector<double> values;
    if (text.find(':') != std::string::npos) {
        const std::vector<std::string> parts = splitText(text, ':');
        long long count = 0;
        double first = 0, last = 0;
        if (parts.size() != 3 || !readField(parts[0], first) || !readField(parts[1], last))
            throw UsageError(option + " needs START:STOP:COUNT, not '" + text + "'");
        if (!readField(parts[2], count) || count < 1 || count > kMaxRangeCount)
            throw UsageError(option + ": the count of '" + text + "' must be a whole number from 1 to " +
                             std::to_string(kMaxRangeCount));
        if (last < first) throw UsageError(option + ": the range '" + text + "' stops before it starts");
        if (count == 1 && last != first)
            throw UsageError(option + ": a range of one value starts where it stops, not '" + text + "'");
        for (long long i = 0; i < count; ++i)
            values.push_back(i + 1 == count ? last : first + (last - first) * static_cast<double>(i) / static_cast<double>(count - 1));
    } else {
        for (const std::string& item : splitList(option, text)) values.push_back(readNumber(option, item));
    }
    for (std::size_t i = 1; i < values.size(); ++i)
        if (std::find(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(i), values[i]) != values.begin() + static_cast<std::ptrdiff_t>(i))
            throw UsageError(option + ": " + settingText(values[i]) + " is given twice");
    return values;
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
        // The C generator seeds 0 as 1: the same flight would count as two samples.
        if (first == 0) throw UsageError("--seeds: seed 0 flies as seed 1 does; start at 1, not '" + item + "'");
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

std::int64_t SweepChoice::runCount() const {
    std::vector<std::size_t> sizes = {seeds.size(), agentCounts.size(), sensors.size(), std::max<std::size_t>(seconds.size(), 1),
                                      std::max<std::size_t>(setups.size(), 1)};
    for (const SettingAxis& axis : axes) sizes.push_back(axis.values.size());
    std::int64_t count = 1;
    for (std::size_t size : sizes) {
        if (size == 0) return 0;
        if (count > std::numeric_limits<std::int64_t>::max() / static_cast<std::int64_t>(size))
            return std::numeric_limits<std::int64_t>::max();
        count *= static_cast<std::int64_t>(size);
    }
    return count;
}

// What the parse has read so far.
struct FlockOptionParse {
    FlockOptions& options;
    bool sweeping = false;  // a sweep reads --agents, --sensors, --seconds, --setup and --set as lists
    bool sensorsChosen = false;
    bool dataGiven = false;
};

namespace {

using Parse = FlockOptionParse;

void setSeconds(Parse& p, const std::string& value) {
    if (!p.sweeping) {
        p.options.seconds = readSeconds("--seconds", value);
        return;
    }
    std::vector<double>& list = p.options.sweepChoice.seconds;
    for (const std::string& item : splitList("--seconds", value)) {
        const double seconds = readSeconds("--seconds", item);
        if (std::find(list.begin(), list.end(), seconds) != list.end())
            throw UsageError("--seconds: " + item + " is given twice");
        list.push_back(seconds);
    }
    p.options.seconds = list.front();
}

void setSensors(Parse& p, const std::string& value, bool random) {
    if (p.sweeping) {
        const std::vector<std::string> items = random ? std::vector<std::string>{"random"} : splitList("--sensors", value);
        for (const std::string& item : items) p.options.sweepChoice.sensors.push_back(sweepSensors(item));
        return;
    }
    if (p.sensorsChosen) throw UsageError("--sensors and --random-sensors: choose one, once");
    p.sensorsChosen = true;
    if (random) {
        p.options.flock.sensors = SensorSource::Random;
        return;
    }
    p.options.flock.sensors = SensorSource::File;
    p.options.flock.sensorFile = value;
    if (value.empty()) throw UsageError("--sensors needs a file");
}

void setSetup(Parse& p, const std::string& value) {
    std::vector<SweepSetup>& setups = p.options.sweepChoice.setups;
    if (!setups.empty() && !p.sweeping) throw UsageError("--setup is given twice");
    const std::vector<std::string> items = p.sweeping ? splitList("--setup", value) : std::vector<std::string>{value};
    for (const std::string& item : items) {
        if (item.empty()) throw UsageError("--setup needs a file");
        refuseAsColumn("--setup", item);
        for (const SweepSetup& setup : setups)
            if (setup.label == item) throw UsageError("--setup: '" + item + "' is given twice");
        setups.push_back({item, item, {}, {}, {}});
    }
    p.options.sweepChoice.grid = true;
}

void setWorld(Parse& p, const std::string& value) {
    const std::size_t equals = value.find('=');
    const std::string name = value.substr(0, equals);
    if (equals == std::string::npos) throw UsageError("--set needs NAME=VALUE, not '" + value + "'");
    const WorldSetting* setting = findWorldSetting(name);
    std::vector<SettingAxis>& axes = p.options.sweepChoice.axes;
    try {
        if (!setting) setWorldSetting(p.options.flock.world, name, 0);  // names the known settings
    } catch (const std::runtime_error& unknown) {
        throw UsageError(std::string("--set: ") + unknown.what());
    }
    for (const SettingAxis& axis : axes)
        if (axis.setting == setting) throw UsageError(std::string("--set: ") + setting->name + " is given twice");
    const std::string option = std::string("--set ") + setting->name;
    const std::vector<double> values = parseValues(option, value.substr(equals + 1));
    if (values.size() > 1 && !p.sweeping) throw UsageError(option + ": several values need --sweep");
    for (double v : values) {
        try {
            setWorldSetting(p.options.flock.world, setting->name, v);
        } catch (const std::runtime_error& outside) {
            throw UsageError(std::string("--set: ") + outside.what());
        }
    }
    // Kept in the table's order, so that the grid's order does not depend on the command line's.
    auto at = std::find_if(axes.begin(), axes.end(), [&](const SettingAxis& axis) { return axis.setting > setting; });
    axes.insert(at, {setting, values});
    p.options.sweepChoice.grid = true;
}

void setOutput(Parse& p, const std::string& name, const std::string& value) {
    FlockOptions& o = p.options;
    std::string& file = name == "--csv" ? o.csvFile : name == "--svg" ? o.svgFile : name == "--pairs" ? o.pairsFile : o.seriesFile;
    file = value;
    if (file.empty()) throw UsageError(name + " needs a file");
}

constexpr unsigned kFlight = kWindow | kHeadless | kSweep;
constexpr unsigned kOutputs = kHeadless | kSweep | kSummarize;

// Every option, in the order of the help.
const std::vector<FlockOptionRow> kFlockOptionRows = {
    {"--data", "DIR", nullptr,
     "the folder holding vex_flock_setup.txt; without it flock looks in\n"
     "the working folder, then the project's or the installed data",
     kFlight, "a folder, once", {{1}},
     [](Parse& p, const std::string& value) {
         if (p.dataGiven) throw UsageError("--data is given twice");
         p.dataGiven = true;
         p.options.dataFolder = value;
         if (value.empty()) throw UsageError("--data needs a folder");
     }},
    {"--agents", "K", nullptr, "K agents, 1 to 256 (default 8)", kFlight, "1 to 256; a sweep: a list",
     {{2}, {22, "[% K1,K2,...]"}},
     [](Parse& p, const std::string& value) {
         if (!p.sweeping) {
             p.options.flock.agentCount = static_cast<int>(readWhole("--agents", value, 1, kMaxAgentCount));
             return;
         }
         for (const std::string& item : splitList("--agents", value))
             p.options.sweepChoice.agentCounts.push_back(static_cast<int>(readWhole("--agents", item, 1, kMaxAgentCount)));
     }},
    {"--seed", "N", nullptr, "seed of the random generator (default: the time; 1 when headless)",
     kWindow | kHeadless, "0 to 4294967295; 0 flies as 1", {{3}},
     [](Parse& p, const std::string& value) {
         p.options.seed =
             static_cast<unsigned>(readWhole("--seed", value, 0, std::numeric_limits<unsigned>::max()));
     }},
    {"--sensors", "FILE", nullptr, "the sensors of FILE in place of those the setup script loads", kFlight,
     "a sensor file; a sweep: a list of files, setup and random", {{4, "[@"}, {31, "[% FILE|setup|random,...]"}},
     [](Parse& p, const std::string& value) { setSensors(p, value, false); }},
    {"--random-sensors", nullptr, nullptr, "untrained sensors center, left and right, drawn at random", kFlight, "", {{5, "| %]"}},
     [](Parse& p, const std::string& value) { setSensors(p, value, true); }},
    {"--setup", "FILE", nullptr,
     "the setup script FILE in place of vex_flock_setup.txt; its\n"
     "QDM_Scripts/ are looked for beside it, then in --data, then in\n"
     "the project's or the installed data (a sweep takes F1,F2,...)",
     kFlight, "a setup script; a sweep: a list", {{51}}, setSetup},
    {"--set", "NAME=VALUE", nullptr,
     "a world setting (see --settings), once each; a sweep also takes\n"
     "V1,V2,... or START:STOP:COUNT, both ends included",
     kFlight, "a setting's range; a sweep: a list or START:STOP:COUNT, COUNT 1 to 1000", {{52, "[@]..."}}, setWorld},
    {"--settings", nullptr, nullptr, "the world settings: name, default, unit, range and meaning", kAnyMode, "", {{53, "| flock %"}},
     [](Parse& p, const std::string&) { p.options.settings = true; }},
    {"--quiet", nullptr, nullptr,
     "leave out the decision library's own chatter (sizes at start-up\n"
     "and at every decision); script messages and failures stay",
     kFlight, "", {}, [](Parse& p, const std::string&) { p.options.quiet = true; }},
    {"--headless", nullptr, nullptr, "fly without a window on a clock of 60 frames a second and print", kAnyMode, "", {{10, "@"}},
     [](Parse& p, const std::string&) { p.options.headless = true; }},
    {"--seconds", "S", nullptr,
     "simulated seconds to fly (default 60), at most 3600, and at\n"
     "most 28800 / K with K agents",
     kHeadless | kSweep, "above 0, at most 3600; a sweep: a list", {{11}}, setSeconds},
    {"--every", "T", nullptr, "also a row of figures for every T simulated seconds", kHeadless | kSweep,
     "above 0, at most 3600; a sweep: with --series", {{12}},
     [](Parse& p, const std::string& value) { p.options.every = readSeconds("--every", value); }},
    {"--csv", "FILE", nullptr, "one row per decision: time,agent,x,y,heading,stimulus,decision", kOutputs,
     "a file, not the one of another output", {{13}, {34}, {41}},
     [](Parse& p, const std::string& value) { setOutput(p, "--csv", value); }},
    {"--svg", "FILE", nullptr, "a picture of the paths and of the figures over time", kOutputs,
     "a file, not the one of another output", {{14}, {35}, {42}},
     [](Parse& p, const std::string& value) { setOutput(p, "--svg", value); }},
    {"--series", "FILE", nullptr,
     "with --every, in a flight or a sweep: one CSV row per run and\n"
     "period (run,time and the figures)",
     kHeadless | kSweep, "a file, not the one of another output; needs --every", {},
     [](Parse& p, const std::string& value) { setOutput(p, "--series", value); }},
    {"--pairs", "FILE", nullptr, "with --sweep or --summarize: the paired differences as CSV", kSweep | kSummarize,
     "a file, not the one of another output", {{43}},
     [](Parse& p, const std::string& value) { setOutput(p, "--pairs", value); }},
    {"--sweep", nullptr, nullptr,
     "headless flights over every combination of --seeds (default 1-10),\n"
     "--agents K1,K2,... and --sensors S1,S2,... (each a file, setup\n"
     "or random); prints one row per setting with means, deviations\n"
     "and 95% intervals, and paired differences between the sensors",
     kAnyMode, "", {{20, "@"}}, [](Parse& p, const std::string&) { p.options.sweep = true; }},
    {"--seeds", "A-B", nullptr, nullptr, kSweep, "1 to 4294967295, ranges and lists, no seed twice", {{21, "[% A-B | % S1,S2,...]"}},
     [](Parse& p, const std::string& value) { p.options.sweepChoice.seeds = parseSeeds(value); }},
    {"--jobs", "N", nullptr,
     "flights at once in a sweep, each its own process (default: one\n"
     "per core)",
     kSweep, "1 to 1024", {{32}},
     [](Parse& p, const std::string& value) {
         p.options.sweepChoice.jobs = static_cast<int>(readWhole("--jobs", value, 1, kMaxSweepJobs));
     }},
    {"--shard", "K/N", nullptr,
     "only the K-th of N equal slices of the sweep's runs\n"
     "(with --sweep, --csv writes one row per run and --svg the means)",
     kSweep, "1 <= K <= N <= 100000", {{33}},
     [](Parse& p, const std::string& value) { readShard(value, p.options.sweepChoice); }},
    {"--summarize", "FILE...", nullptr, "the sweep's table (and --svg) from row files written by --csv", kAnyMode,
     "row files", {{40, "@"}}, [](Parse& p, const std::string&) { p.options.summarize = true; }},
    {"--help", nullptr, "-h, --help", "this text", kAnyMode, "", {{60, "@"}},
     [](Parse& p, const std::string&) { p.options.help = true; }},
    {"--version", nullptr, nullptr, "the version", kAnyMode, "", {{61, "| %"}},
     [](Parse& p, const std::string&) { p.options.version = true; }},
};

const FlockOptionRow& rowOf(const std::string& name) {
    for (const FlockOptionRow& row : kFlockOptionRows)
        if (name == row.name) return row;
    throw std::logic_error("no option row " + name);
}

// A symbolic link is followed to where it points even when nothing is there yet.
std::filesystem::path placeOf(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path place = fs::absolute(name, error);
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(place, error)); ++links) {
        const fs::path target = fs::read_symlink(place, error);
        if (error) break;
        place = target.is_absolute() ? target : place.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(place, error);
    return error ? place.lexically_normal() : resolved;
}

// Two names of one file: the same text, or the same place once links are followed.
bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error) && !error) return true;
    return placeOf(a) == placeOf(b);
}

// The row files' options that go together.
void checkRowFiles(unsigned mode, const std::vector<std::string>& given) {
    const auto has = [&](const char* name) { return std::find(given.begin(), given.end(), name) != given.end(); };
    if (has("--pairs") && mode != kSweep && mode != kSummarize) throw UsageError("--pairs needs --sweep or --summarize");
    if (has("--series") && !has("--every")) throw UsageError("--series needs --every T: the length of a period");
    if (mode == kSweep && has("--every") && !has("--series")) throw UsageError("--every in a sweep needs --series FILE");
}

// Every output file asked for, with its option; two of them may not be one file.
std::vector<std::pair<const char*, const std::string*>> outputFiles(const FlockOptions& options) {
    return {{"--csv", &options.csvFile}, {"--svg", &options.svgFile}, {"--pairs", &options.pairsFile},
            {"--series", &options.seriesFile}};
}

void refuseOneFileForBoth(const FlockOptions& options) {
    const auto outputs = outputFiles(options);
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (sameFile(*outputs[i].second, *outputs[j].second))
                throw UsageError(std::string(outputs[i].first) + " and " + outputs[j].first + " name one file, '" +
                                 *outputs[i].second + "': give each its own");
}

// Each given option must go with the mode; the refusals come in the order they always did.
void checkModes(const FlockOptions& options, unsigned mode, const std::vector<std::string>& given) {
    for (const std::string& name : given)
        if (rowOf(name).modes == kSweep && mode != kSweep) throw UsageError(name + " needs --sweep");
    if (mode == kSummarize) {
        for (const std::string& name : given)
            if (!(rowOf(name).modes & kSummarize)) throw UsageError(name + " does not go with --summarize");
        if (options.sweepChoice.rowFiles.empty()) throw UsageError("--summarize needs one or more row files");
    }
    if (mode == kSweep || mode == kSummarize) refuseOneFileForBoth(options);
    for (const std::string& name : given) {
        if (rowOf(name).modes & mode) continue;
        if (mode == kSweep) throw UsageError(name + " does not go with --sweep" + (name == "--seed" ? ": give --seeds" : ""));
        if (mode == kWindow) throw UsageError(name + " needs --headless");
    }
}

void refuseLongFlights(double seconds, int agents) {
    if (seconds * agents > kMaxAgentSeconds)
        throw UsageError("a flight of " + std::to_string(agents) + " agents can last at most " +
                         std::to_string(static_cast<int>(kMaxAgentSeconds / agents)) + " seconds");
}

void completeSweep(FlockOptions& options) {
    SweepChoice& choice = options.sweepChoice;
    if (choice.seeds.empty()) choice.seeds = parseSeeds("1-10");
    if (choice.agentCounts.empty()) choice.agentCounts.push_back(options.flock.agentCount);
    if (choice.sensors.empty()) choice.sensors.push_back({"setup", SensorSource::Setup, {}});
    if (choice.seconds.empty()) choice.seconds.push_back(options.seconds);
    // A setting given twice would be one setting with every seed twice.
    for (std::size_t i = 0; i < choice.agentCounts.size(); ++i)
        if (std::count(choice.agentCounts.begin(), choice.agentCounts.begin() + static_cast<std::ptrdiff_t>(i),
                       choice.agentCounts[i]) > 0)
            throw UsageError("--agents: " + std::to_string(choice.agentCounts[i]) + " is given twice");
    for (std::size_t i = 0; i < choice.sensors.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (choice.sensors[j].label == choice.sensors[i].label)
                throw UsageError("--sensors: '" + choice.sensors[i].label + "' is given twice");
    const std::int64_t runs = choice.runCount();
    if (runs > kMaxSweepRuns)
        throw UsageError((runs == std::numeric_limits<std::int64_t>::max() ? "more than " + std::to_string(kMaxSweepRuns)
                                                                            : std::to_string(runs)) +
                         " runs: a sweep has at most " + std::to_string(kMaxSweepRuns));
    for (double seconds : choice.seconds)
        for (int agents : choice.agentCounts) refuseLongFlights(seconds, agents);
}

std::vector<support::OptionRow> readerRows() {
    std::vector<support::OptionRow> rows;
    for (const FlockOptionRow& row : kFlockOptionRows) rows.push_back({row.name, row.argument != nullptr && row.name != std::string("--summarize")});
    return rows;
}

// The synopsis' lines, by the tens of their places' slots: what stands before the options
// and after them.
constexpr std::pair<const char*, const char*> kSynopsisLines[] = {
    {"flock", ""}, {"flock", " ..."}, {"flock", ""}, {"     ", " ..."}, {"flock", ""}, {"flock ...", ""}, {"flock", ""}};

// "NAME ARGUMENT", or the name alone.
std::string spelling(const FlockOptionRow& row) {
    return std::string(row.name) + (row.argument ? std::string(" ") + row.argument : "");
}

}  // namespace

const std::vector<FlockOptionRow>& flockOptionTable() { return kFlockOptionRows; }

FlockOptions parseFlockOptions(const std::vector<std::string>& arguments) {
    FlockOptions options;
    Parse parse{options};
    support::OptionReader reader(arguments, readerRows());
    parse.sweeping = std::find(arguments.begin(), arguments.end(), "--sweep") != arguments.end();
    std::vector<std::string> given;
    using Kind = support::OptionReader::Kind;
    while (reader.next()) {
        const std::string& text = reader.text();
        // Named without the value given to it: "--frames=3" is "--frames".
        if (reader.kind() == Kind::Unknown || reader.kind() == Kind::End || text == "-")
            throw UsageError("unknown option '" + text.substr(0, text.starts_with("--") ? text.find('=') : text.npos) + "'");
        if (reader.kind() == Kind::Operand) {
            if (!options.summarize) throw UsageError("unexpected argument '" + reader.value() + "'");
            options.sweepChoice.rowFiles.push_back(reader.value());
            continue;
        }
        given.push_back(reader.name());
        rowOf(reader.name()).set(parse, reader.value());
    }
    // --help, --version and --settings answer whatever else the line says.
    if (options.help || options.version || options.settings) return options;
    if (options.sweep + options.summarize + options.headless > 1)
        throw UsageError("--headless, --sweep and --summarize: choose one");
    const unsigned mode = options.sweep ? kSweep : options.summarize ? kSummarize : options.headless ? kHeadless : kWindow;
    checkModes(options, mode, given);
    checkRowFiles(mode, given);
    if (mode == kSweep) completeSweep(options);
    if (mode == kHeadless) {
        refuseOneFileForBoth(options);
        refuseLongFlights(options.seconds, options.flock.agentCount);
    }
    return options;
}

std::string flockUsage() {
    std::vector<std::pair<int, std::string>> places;
    for (const FlockOptionRow& row : kFlockOptionRows)
        for (const UsagePlace& place : row.usage) {
            std::string text;
            for (const char* at = place.text; *at; ++at)
                text += *at == '%' ? std::string(row.name) : *at == '@' ? spelling(row) : std::string(1, *at);
            places.emplace_back(place.slot, text);
        }
    std::sort(places.begin(), places.end());
    std::string usage;
    for (std::size_t line = 0; line < std::size(kSynopsisLines); ++line) {
        usage += std::string(line == 0 ? "Usage: " : "       ") + kSynopsisLines[line].first;
        for (const auto& [slot, text] : places)
            if (slot / 10 == static_cast<int>(line)) usage += " " + text;
        usage += std::string(kSynopsisLines[line].second) + "\n";
    }
    return usage;
}

std::string flockHelp() {
    std::string options;
    for (const FlockOptionRow& row : kFlockOptionRows) {
        if (row.help == nullptr) continue;
        const std::string label = row.label ? row.label : spelling(row);
        std::string line = "  " + label;
        line += std::string(label.size() < 20 ? 20 - label.size() : 1, ' ');
        for (const char* at = row.help; *at; ++at) {
            line += *at;
            if (*at == '\n') line += std::string(22, ' ');
        }
        options += line + "\n";
        if (row.name == std::string("--headless")) options += figuresHelp();
    }
    return flockUsage() +
           "\n"
           "A flock of agents, each steered by its own quantum decision maker, in a window\n"
           "(keys: P start/stop, R reset, Z/X camera, D each agent's decision odds, Escape quit)\n"
           "or flown without one for experiments; the first line's options serve both.\n"
           "\n"
           "Options:\n" +
           options +
           "\n"
           "Exit status: 0 done, 1 the data or an output file failed, 2 a bad command line.\n"
           "More: README.md and docs/flock.md in the project, installed under\n"
           "share/doc/QuantumFlock.\n";
}

std::string flockSettings() { return worldSettingsHelp(); }

std::string flockOptionReference() {
    std::string text = "| option | goes with | values |\n|---|---|---|\n";
    for (const FlockOptionRow& row : kFlockOptionRows) {
        std::string modes;
        for (auto [mode, name] : {std::pair{kWindow, "window"}, {kHeadless, "headless"}, {kSweep, "sweep"}, {kSummarize, "summarize"}})
            if (row.modes & mode) modes += (modes.empty() ? "" : ", ") + std::string(name);
        text += "| `" + spelling(row) + "` | " +
                (row.modes == kAnyMode ? "any" : modes) + " | " + (*row.range ? row.range : "-") + " |\n";
    }
    return text;
}

}  // namespace flock
