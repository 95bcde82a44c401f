// flock --sweep: many headless flights, each in a child process of its own (the C
// generator is one per process), their rows gathered in run order so that the output
// does not depend on how many run at once; and flock --summarize of the rows.
#include "app/cli/Sweep.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <stdexcept>

#include "app/cli/DistinctLines.h"
#include "app/cli/FlockProgram.h"
#include "app/cli/ProcessPool.h"
#include "app/cli/RowOutput.h"
#include "app/cli/SweepRows.h"
#include "support/ScriptOutput.h"
#include "interp/InterpreterCore.h"
#include "support/Failure.h"
#include "support/FileReplace.h"
#include "linalg/MemoryBudget.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    std::int64_t index = 0;
    int agents = 0;
    const SweepSensors* sensors = nullptr;
    unsigned seed = 0;
    double seconds = 60;
    const SweepSetup* setup = nullptr;  // null: the data folder's
    WorldSettings world;
};

// The worlds of every combination of the settings' values, the first setting outermost.
std::vector<WorldSettings> worldsOf(const std::vector<SettingAxis>& axes, WorldSettings world) {
    if (axes.empty()) return {world};
    std::vector<WorldSettings> worlds;
    const std::vector<SettingAxis> rest(axes.begin() + 1, axes.end());
    for (double value : axes.front().values) {
        world.*(axes.front().setting->field) = value;
        for (const WorldSettings& each : worldsOf(rest, world)) worlds.push_back(each);
    }
    return worlds;
}

// Every combination, then the shard's slice of them: runs [T(K-1)/N, TK/N).
std::vector<Run> planRuns(const SweepChoice& choice) {
    std::vector<Run> runs;
    std::int64_t index = 0;
    std::vector<const SweepSetup*> setups;
    for (const SweepSetup& setup : choice.setups) setups.push_back(&setup);
    if (setups.empty()) setups.push_back(nullptr);
    for (const SweepSetup* setup : setups)
        for (const WorldSettings& world : worldsOf(choice.axes, {}))
            for (double seconds : choice.seconds)
                for (int agents : choice.agentCounts)
                    for (const SweepSensors& sensors : choice.sensors)
                        for (unsigned seed : choice.seeds)
                            runs.push_back({index++, agents, &sensors, seed, seconds, setup, world});
    const auto total = static_cast<std::int64_t>(runs.size());
    const std::int64_t first = total * (choice.shard - 1) / choice.shards;
    const std::int64_t last = total * choice.shard / choice.shards;
    return {runs.begin() + first, runs.begin() + last};
}

std::string runText(const Run& run) {
    std::string grid = run.setup ? ", " + run.setup->label : "";  // what a grid's run has of its own
    if (const std::string changed = changedSettings(run.world); !changed.empty()) grid += ", " + changed;
    return "run " + std::to_string(run.index) + " (" + std::to_string(run.agents) + " agents, " + run.sensors->label +
           grid + ", seed " + std::to_string(run.seed) + ")";
}

// In a child: its setup's folder entered, or raises.
void enterSetup(const SweepSetup* setup) {
    if (!setup) return;
    std::error_code error;
    fs::current_path(setup->folder, error);
    if (error) throw std::runtime_error("cannot enter '" + setup->folder + "': " + error.message());
}

// What a child sends back: a row line, or "!" and why it failed, on the first line;
// then what the minds printed. Standard output in the child goes to standard error:
// only the parent writes the table.
std::string childAnswer(const std::function<std::string()>& work) {
    std::string answer;
    DistinctLines minds;
    std::ostream mindsText(&minds);
    try {
        support::OutputTo redirect(mindsText);
        answer = work();
    } catch (const std::exception& failure) {
        answer = std::string("!") + failure.what();
    } catch (...) {
        answer = "!an unknown failure";
    }
    for (char& c : answer)
        if (c == '\n') c = ' ';
    return answer + '\n' + minds.take();
}

// The first line of a child's answer; the minds' lines after it go to standard error,
// those not shown before.
std::string answerLine(const std::string& answer, std::set<std::string>& shown) {
    std::vector<std::string> lines = splitText(answer, '\n');
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (shown.size() < 1000 && shown.insert(lines[i]).second) std::cerr << lines[i] << '\n';
    return lines.front();
}

// One child's answer alone.
std::string askChild(const std::function<std::string()>& work) {
    const ChildAnswer child = runInChild([&] { return childAnswer(work); });
    std::set<std::string> shown;
    return child.ended.empty() ? answerLine(child.text, shown) : "!" + child.ended;
}

// Runs done of all, elapsed and left, on a terminal's standard error, at most ten times a second.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}
    ~Progress() { clearLine(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void draw(std::size_t done) {
        const Clock::time_point now = Clock::now();
        if (!shown_ || (drawn_ && now - last_ < std::chrono::milliseconds(100))) return;
        last_ = now;
        drawn_ = true;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        std::string left = "?";
        if (done > 0) left = clock(elapsed * static_cast<double>(total_ - done) / static_cast<double>(done));
        std::fprintf(stderr, "\rflock: %zu of %zu runs, %s elapsed, %s left\033[K", done, total_,
                     clock(elapsed).c_str(), left.c_str());
        std::fflush(stderr);
    }

    // Before a message of its own on standard error.
    void clearLine() {
        if (drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

private:
    static std::string clock(double seconds) {
        const auto s = static_cast<long long>(seconds + 0.5);
        char text[32];
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
        return text;
    }

    std::size_t total_;
    bool shown_;
    bool drawn_ = false;
    Clock::time_point start_, last_;
};

// The cores this process may run on (a batch system or taskset may allow fewer than
// the machine has).
int usableCores() {
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) return CPU_COUNT(&allowed);
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

FlockChoice flockChoice(int agents, const SweepSensors& sensors, const SweepSetup* setup = nullptr) {
    FlockChoice choice;
    choice.agentCount = agents;
    choice.sensors = sensors.source;
    choice.sensorFile = sensors.file;
    if (setup) {
        choice.setupScript = setup->script;
        choice.scriptFolders = setup->scriptFolders;
    }
    return choice;
}

// A flock of one agent made in a child, in the setup's folder: "ok", or "!" and why not.
std::string oneAgentFlies(const SweepSensors& sensors, const SweepSetup* setup) {
    return askChild([&] {
        enterSetup(setup);
        createProgramFlock(flockChoice(1, sensors, setup))->releaseAgents();
        return std::string("ok");
    });
}

SweepRow runRow(const Run& run, bool grid, const FlightFigures& figures, double wall) {
    SweepRow row = sweepRow(run.index, run.agents, run.sensors->label, run.seconds, run.seed, figures, wall);
    row.grid = grid;
    if (run.setup) row.setup = run.setup->label;
    row.world = run.world;
    return row;
}

// Between a run's row and its series lines in a child's answer: no row holds it.
constexpr char kSeriesMark = '\t';

// The flight of `run`, as `flock --headless` flies it, as its row; then, with `every`,
// its series lines, each after a kSeriesMark.
std::string flyRun(const Run& run, bool grid, double every) {
    enterSetup(run.setup);
    FlightSettings settings;
    settings.flock = flockChoice(run.agents, *run.sensors, run.setup);
    settings.flock.world = run.world;
    settings.seed = run.seed;
    settings.seconds = run.seconds;
    settings.keepDecisions = false;  // a row has the figures only
    std::string series;
    if (every > 0) {
        settings.periodFrames = flightFrames(every, settings.framesPerSecond);
        settings.onPeriod = [&](const FlightFigures& stretch) {
            series += kSeriesMark + seriesLine(run.index, stretch);
            series.pop_back();
        };
    }
    const Clock::time_point start = Clock::now();
    const FlightRecord record = flyHeadless(settings);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::string line = sweepRowLine(runRow(run, grid, record.whole, wall));
    line.pop_back();  // the answer's first line
    return line + series;
}

// Bytes held against the memory budget while they live.
class HeldMemory {
public:
    HeldMemory() = default;
    HeldMemory(const HeldMemory&) = delete;
    HeldMemory& operator=(const HeldMemory&) = delete;
    ~HeldMemory() { linalg::uncountMemory(bytes_); }
    void hold(std::int64_t bytes, const std::string& what) {
        if (!linalg::countMemory(bytes)) linalg::refuseMemory(bytes, what);
        bytes_ += bytes;
    }

private:
    std::int64_t bytes_ = 0;
};

// Every sensor file must load before the first flight: a name and exit 2 otherwise.
bool sensorFilesLoad(const SweepChoice& choice) {
    const SweepSetup* setup = choice.setups.empty() ? nullptr : &choice.setups.front();
    std::set<std::string> checked;
    for (const SweepSensors& sensors : choice.sensors) {
        if (sensors.source != SensorSource::File || !checked.insert(sensors.file).second) continue;
        std::error_code error;
        const fs::file_status status = fs::status(sensors.file, error);
        if (!fs::is_regular_file(status)) {
            const std::string reason = !fs::exists(status) ? "no file"
                                       : fs::is_directory(status) ? "a folder, not a file"
                                                                  : "not a regular file";
            std::cerr << "flock: --sensors: " << reason << " '" << sensors.label << "'\n";
            return false;
        }
        if (const std::string answer = oneAgentFlies(sensors, setup); answer != "ok") {
            std::cerr << "flock: --sensors: '" << sensors.label << "' does not load: " << answer.substr(1) << '\n';
            return false;
        }
    }
    return true;
}

// The table on standard output, the picture to --svg, the pairs to --pairs; false when
// a file cannot be written.
bool report(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames,
            const Provenance& provenance, const FlockOptions& options) {
    std::cout << sweepSummary(rows, settingNames) << std::flush;
    bool written = options.svgFile.empty() || writeOutput(options.svgFile, sweepPicture(rows, settingNames));
    if (!options.pairsFile.empty())
        written = writeOutput(options.pairsFile, provenanceLines(provenance) + sweepPairsCsv(rows, settingNames)) && written;
    return written;
}

}  // namespace

bool setupsFly(const FlockOptions& options) {
    for (const SweepSetup& setup : options.sweepChoice.setups) {
        if (const std::string answer = oneAgentFlies({}, &setup); answer != "ok") {
            std::cerr << "flock: --setup: " << answer.substr(1) << '\n';
            return false;
        }
    }
    return true;
}

int runSweep(const FlockOptions& options) {
    const SweepChoice& choice = options.sweepChoice;
    if (!outputsWritable(options)) return EXIT_FAILURE;
    if (!sensorFilesLoad(choice)) return 2;
    Provenance provenance;
    try {
        provenance = provenanceOf(options);
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    const std::vector<Run> runs = planRuns(choice);
    try {  // too many pairs are refused before anything flies
        std::string planned = "# flock plan\n" + sweepRowsHeader(choice.grid);
        for (const Run& run : runs) planned += sweepRowLine(runRow(run, choice.grid, {}, 0));
        const RowFile file = readRowFile(planned, "the sweep's plan");
        sweepSummary(file.rows, file.settingNames);
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return 2;
    }
    const auto jobs = static_cast<std::size_t>(std::max(1, choice.jobs.value_or(usableCores())));

    std::vector<std::optional<std::string>> lines(runs.size());
    std::size_t done = 0, failed = 0;
    std::set<std::string> shownLines;  // of the minds, on standard error once
    PoolEnd end;
    {
        Progress progress(runs.size());
        progress.draw(0);
        PoolHooks hooks;
        hooks.work = [&](std::size_t task) { return childAnswer([&] { return flyRun(runs[task], choice.grid, options.every); }); };
        hooks.cannotStart = [&](std::size_t task, const std::string& reason) {
            std::cerr << "flock: cannot start " << runText(runs[task]) << ": " << reason << '\n';
        };
        hooks.cannotWait = [](const std::string& reason) { std::cerr << "flock: " << reason << '\n'; };
        hooks.answered = [&](const ChildAnswer& child) {
            done += 1;
            progress.clearLine();
            const std::string answer = answerLine(child.text, shownLines);
            if (child.ended.empty() && !answer.empty() && answer[0] != '!') {
                lines[child.task] = answer + '\n';
                return;
            }
            failed += 1;
            std::cerr << "flock: " << runText(runs[child.task]) << " failed: "
                      << (child.ended.empty() ? answer.substr(answer.empty() ? 0 : 1) : child.ended) << '\n';
        };
        hooks.waited = [&] { progress.draw(done); };
        hooks.forced = [&](std::size_t task, const std::string& what) {
            progress.clearLine();
            std::cerr << "flock: " << runText(runs[task]) << ' ' << what << '\n';
        };
        end = runInChildren(runs.size(), jobs, hooks);
    }

    const std::string head = provenanceLines(provenance);
    std::string rowsText = head + sweepRowsHeader(choice.grid), seriesText = head + seriesHeader();
    std::size_t finished = 0;
    for (const auto& line : lines)
        if (line) {
            const std::size_t mark = line->find(kSeriesMark);
            rowsText += mark == std::string::npos ? *line : line->substr(0, mark) + '\n';
            if (mark != std::string::npos) {
                std::string series = line->substr(mark + 1);
                std::replace(series.begin(), series.end(), kSeriesMark, '\n');
                seriesText += series;
            }
            finished += 1;
        }
    bool written = options.csvFile.empty() || writeOutput(options.csvFile, rowsText);
    if (!options.seriesFile.empty()) written = writeOutput(options.seriesFile, seriesText) && written;
    const bool interrupted = end == PoolEnd::Interrupted;
    if (end != PoolEnd::Done) {
        std::cerr << "flock: " << (interrupted ? "interrupted" : "stopped") << ": " << finished << " of " << runs.size()
                  << " runs finished";
        if (!options.csvFile.empty() && written) std::cerr << ", their rows are in '" << options.csvFile << "'";
        std::cerr << '\n';
        return interrupted ? 130 : EXIT_FAILURE;
    }
    std::vector<SweepRow> rows;
    std::vector<std::string> settingNames;
    try {
        RowFile file = readRowFile(rowsText, "the sweep's rows");
        settingNames = file.settingNames;
        rows = std::move(file.rows);
        written = report(rows, settingNames, provenance, options) && written;
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    std::int64_t failures = 0;
    for (const SweepRow& row : rows) failures += static_cast<std::int64_t>(row.figures[kFailures]);
    if (failures > 0) std::cerr << "flock: " << failures << " command failures in the runs\n";
    return written && failed == 0 && failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

int runSummarize(const FlockOptions& given) {
    FlockOptions options = given;
    for (std::string* file : {&options.csvFile, &options.svgFile, &options.pairsFile})
        if (!file->empty()) *file = fs::absolute(*file).string();
    std::vector<SweepRow> rows;
    std::vector<RowFile> files;
    std::vector<std::string> settingNames;
    // The rows, their copies while merged and the tables made of them stay within the
    // memory budget: a row costs about this much beside its text.
    constexpr std::int64_t kRowBytes = 3 * static_cast<std::int64_t>(sizeof(SweepRow)) + 64;
    HeldMemory held;
    try {
        for (const std::string& file : options.sweepChoice.rowFiles) {
            std::string reason;
            std::optional<std::string> text = tala::interp::readRegularFile(file, "the row file '" + file + "'", &reason);
            if (!text) throw RowFileError("cannot read '" + file + "': " + reason);
            const auto lines = static_cast<std::int64_t>(std::count(text->begin(), text->end(), '\n'));
            held.hold(static_cast<std::int64_t>(text->size()) + lines * kRowBytes, "the rows of '" + file + "'");
            files.push_back(readRowFile(*text, file));
        }
        MergedRows merged = mergeRowFiles(files);
        for (RowFile& file : files) file.rows.clear();
        rows = std::move(merged.rows);
        settingNames = std::move(merged.settingNames);
        sweepSummary(rows, settingNames);  // too many pairs are refused before any file is written
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return 2;
    } catch (const support::Failure& tooLarge) {  // the memory budget's refusal
        std::cerr << "flock: " << tooLarge.what() << '\n';
        return 2;
    }
    if (!outputsWritable(options)) return EXIT_FAILURE;
    const Provenance provenance = mergedProvenance(files, shellQuoted(options.arguments));
    bool written = true;
    if (!options.csvFile.empty()) {
        std::string merged = provenanceLines(provenance) + sweepRowsHeader(settingNames);
        for (const SweepRow& row : rows) merged += sweepRowLine(row);
        written = writeOutput(options.csvFile, merged);
    }
    return report(rows, settingNames, provenance, options) && written ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace flock
