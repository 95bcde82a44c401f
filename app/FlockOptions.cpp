#include "app/FlockOptions.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace flock {

namespace {

// Strict numbers: the whole text, finite, nothing after it.
double readNumber(const std::string& option, const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        throw UsageError(option + " needs a number, not '" + text + "'");
    return value;
}

long long readWhole(const std::string& option, const std::string& text, long long low, long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
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

class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool next() {
        if (index_ >= arguments_.size()) return false;
        const std::string& argument = arguments_[index_++];
        const auto equals = argument.find('=');
        attached_.reset();
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name_ = argument.substr(0, equals);
            attached_ = argument.substr(equals + 1);
        } else {
            name_ = argument;
        }
        return true;
    }
    const std::string& name() const { return name_; }
    std::string value() {
        if (attached_) return *attached_;
        if (index_ >= arguments_.size()) throw UsageError(name_ + " needs a value");
        return arguments_[index_++];
    }
    // An option without a value given one with "=".
    void noValue() const {
        if (attached_) throw UsageError(name_ + " takes no value");
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t index_ = 0;
    std::string name_;
    std::optional<std::string> attached_;
};

// Two names of one file: the same text, or the same place once made absolute.
bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error) && !error) return true;
    const auto place = [&](const std::string& name) { return std::filesystem::absolute(name, error).lexically_normal(); };
    return place(a) == place(b);
}

void checkCombination(const FlockOptions& options, const std::vector<std::string>& headlessOnly) {
    if (!options.headless && !headlessOnly.empty()) throw UsageError(headlessOnly.front() + " needs --headless");
    if (!options.headless) return;
    if (!options.csvFile.empty() && sameFile(options.csvFile, options.svgFile))
        throw UsageError("--csv and --svg name one file, '" + options.csvFile + "': give each its own");
    if (options.seconds * options.flock.agentCount > kMaxAgentSeconds)
        throw UsageError("a flight of " + std::to_string(options.flock.agentCount) + " agents can last at most " +
                         std::to_string(static_cast<int>(kMaxAgentSeconds / options.flock.agentCount)) +
                         " seconds");
}

}  // namespace

FlockOptions parseFlockOptions(const std::vector<std::string>& arguments) {
    FlockOptions options;
    ArgumentReader reader(arguments);
    std::vector<std::string> headlessOnly;
    bool sensorsChosen = false;
    while (reader.next()) {
        const std::string& name = reader.name();
        if (name == "--help" || name == "-h") {
            reader.noValue();
            options.help = true;
        } else if (name == "--version") {
            reader.noValue();
            options.version = true;
        } else if (name == "--headless") {
            reader.noValue();
            options.headless = true;
        } else if (name == "--data") {
            options.dataFolder = reader.value();
            if (options.dataFolder.empty()) throw UsageError("--data needs a folder");
        } else if (name == "--agents") {
            options.flock.agentCount = static_cast<int>(readWhole(name, reader.value(), 1, kMaxAgentCount));
        } else if (name == "--seed") {
            options.seed = static_cast<unsigned>(readWhole(name, reader.value(), 0, std::numeric_limits<unsigned>::max()));
        } else if (name == "--quiet") {
            reader.noValue();
            options.quiet = true;
        } else if (name == "--sensors" || name == "--random-sensors") {
            if (sensorsChosen) throw UsageError("--sensors and --random-sensors: choose one, once");
            sensorsChosen = true;
            if (name == "--sensors") {
                options.flock.sensors = SensorSource::File;
                options.flock.sensorFile = reader.value();
                if (options.flock.sensorFile.empty()) throw UsageError("--sensors needs a file");
            } else {
                reader.noValue();
                options.flock.sensors = SensorSource::Random;
            }
        } else if (name == "--seconds") {
            options.seconds = readSeconds(name, reader.value());
            headlessOnly.push_back(name);
        } else if (name == "--every") {
            options.every = readSeconds(name, reader.value());
            headlessOnly.push_back(name);
        } else if (name == "--csv" || name == "--svg") {
            std::string& file = name == "--csv" ? options.csvFile : options.svgFile;
            file = reader.value();
            if (file.empty()) throw UsageError(name + " needs a file");
            headlessOnly.push_back(name);
        } else if (name.rfind("-", 0) != 0) {
            throw UsageError("unexpected argument '" + name + "'");
        } else {
            throw UsageError("unknown option '" + name + "'");
        }
    }
    // --help and --version answer whatever else the line says.
    if (!options.help && !options.version) checkCombination(options, headlessOnly);
    return options;
}

std::string flockUsage() {
    return "Usage: flock [--data DIR] [--agents K] [--seed N] [--sensors FILE | --random-sensors]\n"
           "       flock --headless [--seconds S] [--every T] [--csv FILE] [--svg FILE] ...\n"
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
           "  --headless          fly without a window on a clock of 60 frames a second and print\n"
           "                      the figures: mean distance from the centroid, polarisation,\n"
           "                      decisions following their stimulus, decisions, command failures\n"
           "  --seconds S         simulated seconds to fly (default 60), at most 3600, and at\n"
           "                      most 28800 / K with K agents\n"
           "  --every T           also a row of figures for every T simulated seconds\n"
           "  --csv FILE          one row per decision: time,agent,x,y,heading,stimulus,decision\n"
           "  --svg FILE          a picture of the paths and of the figures over time\n"
           "  -h, --help          this text\n"
           "  --version           the version\n"
           "\n"
           "Exit status: 0 done, 1 the data or an output file failed, 2 a bad command line.\n"
           "More: README.md and docs/flock.md in the project, installed under\n"
           "share/doc/QuantumFlock.\n";
}

}  // namespace flock
