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

#include "app/cli/DistinctLines.h"
#include "app/cli/FlockProgram.h"
#include "app/cli/ProcessPool.h"
#include "app/cli/SweepRows.h"
#include "support/ScriptOutput.h"
#include "interp/InterpreterCore.h"
#include "support/Failure.h"
#include "support/FileReplace.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    std::int64_t index = 0;
    int agents = 0;
    const SweepSensors* sensors = nullptr;
    unsigned seed = 0;
};

// Every combination, then the shard's slice of them: runs [T(K-1)/N, TK/N).
std::vector<Run> planRuns(const SweepChoice& choice) {
    std::vector<Run> runs;
    std::int64_t index = 0;
    for (int agents : choice.agentCounts)
        for (const SweepSensors& sensors : choice.sensors)
            for (unsigned seed : choice.seeds) runs.push_back({index++, agents, &sensors, seed});
    const auto total = static_cast<std::int64_t>(runs.size());
    const std::int64_t first = total * (choice.shard - 1) / choice.shards;
    const std::int64_t last = total * choice.shard / choice.shards;
    return {runs.begin() + first, runs.begin() + last};
}

std::string runText(const Run& run) {
    return "run " + std::to_string(run.index) + " (" + std::to_string(run.agents) + " agents, " + run.sensors->label +
           ", seed " + std::to_string(run.seed) + ")";
}

// What a child sends back: a row line, or "!" and why it failed, on the first line;
// then what the minds printed. Standard output in the child goes to standard error:
// only the parent writes the table.
std::string childAnswer(const std::function<std::string()>& work) {
    std::string answer;
    DistinctLines minds;
    std::ostream mindsText(&minds);
    try {
        tala::OutputTo redirect(mindsText);
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
    const std::size_t end = answer.find('\n');
    if (end == std::string::npos) return answer;
    std::size_t at = end + 1;
    while (at < answer.size()) {
        std::size_t stop = answer.find('\n', at);
        if (stop == std::string::npos) stop = answer.size();
        std::string line = answer.substr(at, stop - at);
        if (shown.size() < 1000 && shown.insert(line).second) std::cerr << line << '\n';
        at = stop + 1;
    }
    return answer.substr(0, end);
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

FlockChoice flockChoice(int agents, const SweepSensors& sensors) {
    FlockChoice choice;
    choice.agentCount = agents;
    choice.sensors = sensors.source;
    choice.sensorFile = sensors.file;
    return choice;
}

// The flight of `run`, as `flock --headless` flies it, as its row.
std::string flyRun(const Run& run, double seconds) {
    FlightSettings settings;
    settings.flock = flockChoice(run.agents, *run.sensors);
    settings.seed = run.seed;
    settings.seconds = seconds;
    const Clock::time_point start = Clock::now();
    const FlightRecord record = flyHeadless(settings);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::string line =
        sweepRowLine(sweepRow(run.index, run.agents, run.sensors->label, seconds, run.seed, record.whole, wall));
    line.pop_back();  // the answer's first line
    return line;
}

// Every sensor file must load before the first flight: a name and exit 2 otherwise.
bool sensorFilesLoad(const SweepChoice& choice) {
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
        const std::string answer = askChild([&] {
            createProgramFlock(flockChoice(1, sensors))->releaseAgents();
            return std::string("ok");
        });
        if (answer != "ok") {
            std::cerr << "flock: --sensors: '" << sensors.label << "' does not load: " << answer.substr(1) << '\n';
            return false;
        }
    }
    return true;
}

// The table on standard output, the picture to --svg; false when the picture cannot be written.
bool report(const std::vector<SweepRow>& rows, const FlockOptions& options) {
    std::cout << sweepSummary(rows) << std::flush;
    return options.svgFile.empty() || writeOutput(options.svgFile, sweepPicture(rows));
}

}  // namespace

int runSweep(const FlockOptions& options) {
    const SweepChoice& choice = options.sweepChoice;
    if (!outputsWritable(options)) return EXIT_FAILURE;
    if (!sensorFilesLoad(choice)) return 2;
    const std::vector<Run> runs = planRuns(choice);
    const auto jobs = static_cast<std::size_t>(std::max(1, choice.jobs.value_or(usableCores())));

    std::vector<std::optional<std::string>> lines(runs.size());
    std::size_t done = 0, failed = 0;
    std::set<std::string> shownLines;  // of the minds, on standard error once
    PoolEnd end;
    {
        Progress progress(runs.size());
        progress.draw(0);
        PoolHooks hooks;
        hooks.work = [&](std::size_t task) { return childAnswer([&] { return flyRun(runs[task], options.seconds); }); };
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
        end = runInChildren(runs.size(), jobs, hooks);
    }

    std::string rowsText = sweepRowsHeader();
    std::size_t finished = 0;
    for (const auto& line : lines)
        if (line) {
            rowsText += *line;
            finished += 1;
        }
    bool written = options.csvFile.empty() || writeOutput(options.csvFile, rowsText);
    const bool interrupted = end == PoolEnd::Interrupted;
    if (end != PoolEnd::Done) {
        std::cerr << "flock: " << (interrupted ? "interrupted" : "stopped") << ": " << finished << " of " << runs.size()
                  << " runs finished";
        if (!options.csvFile.empty() && written) std::cerr << ", their rows are in '" << options.csvFile << "'";
        std::cerr << '\n';
        return interrupted ? 130 : EXIT_FAILURE;
    }
    std::vector<SweepRow> rows;
    try {
        rows = readSweepRows(rowsText, "the sweep's rows");
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    written = report(rows, options) && written;
    std::int64_t failures = 0;
    for (const SweepRow& row : rows) failures += static_cast<std::int64_t>(row.figures[kFailures]);
    if (failures > 0) std::cerr << "flock: " << failures << " command failures in the runs\n";
    return written && failed == 0 && failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

int runSummarize(const FlockOptions& given) {
    FlockOptions options = given;
    for (std::string* file : {&options.csvFile, &options.svgFile})
        if (!file->empty()) *file = fs::absolute(*file).string();
    std::vector<SweepRow> rows;
    try {
        for (const std::string& file : options.sweepChoice.rowFiles) {
            std::string reason;
            const std::optional<std::string> text =
                tala::interp::readRegularFile(file, "the row file '" + file + "'", &reason);
            if (!text) throw RowFileError("cannot read '" + file + "': " + reason);
            std::vector<SweepRow> read = readSweepRows(*text, file);
            rows.insert(rows.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
        }
        rows = mergeSweepRows(std::move(rows));
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return 2;
    } catch (const tala::Failure& tooLarge) {  // the memory budget's refusal
        std::cerr << "flock: " << tooLarge.what() << '\n';
        return 2;
    }
    if (!outputsWritable(options)) return EXIT_FAILURE;
    bool written = true;
    if (!options.csvFile.empty()) {
        // One header for all: rows without the grid columns get the defaults they flew with.
        const bool grid = std::any_of(rows.begin(), rows.end(), [](const SweepRow& row) { return row.grid; });
        std::string merged = sweepRowsHeader(grid);
        for (SweepRow& row : rows) {
            row.grid = grid;
            merged += sweepRowLine(row);
        }
        written = writeOutput(options.csvFile, merged);
    }
    return report(rows, options) && written ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace flock
