// flock --sweep: many headless flights, each in a child process of its own (the C
// generator is one per process), their rows gathered in run order so that the output
// does not depend on how many run at once; and flock --summarize of the rows.
#include "app/cli/Sweep.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
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

volatile std::sig_atomic_t interrupted = 0;
extern "C" void noteInterrupt(int) { interrupted = 1; }

// While it lives, Ctrl-C and a termination request only set `interrupted`, and a
// waiting poll returns.
class InterruptWatch {
public:
    InterruptWatch() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no restart: poll wakes up
        sigaction(SIGINT, &action, &savedInt_);
        sigaction(SIGTERM, &action, &savedTerm_);
    }
    ~InterruptWatch() {
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGTERM, &savedTerm_, nullptr);
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

struct Child {
    pid_t pid = -1;
    // The child's answer: a row line, or "!" and why it failed, on the first line; then
    // what the minds printed.
    int fd = -1;
    std::size_t slot = 0;
    std::string answer;
};

// Forks a child that answers `work()` through a pipe and exits. Standard output in
// the child goes to standard error: only the parent writes the table.
std::optional<Child> startChild(const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    sigset_t blocked, saved;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    // No signal between the fork and the child's own handlers: the child must die of it.
    sigprocmask(SIG_BLOCK, &blocked, &saved);
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the sweep
        if (::getppid() != parent) ::_exit(1);
        sigprocmask(SIG_SETMASK, &saved, nullptr);
        ::close(fds[0]);
        // A key pressed at the terminal would break a script's loop: the flights read nothing.
        if (!std::freopen("/dev/null", "r", stdin)) ::_exit(1);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
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
        ::_exit(tala::interp::writeAll(fds[1], answer + '\n' + minds.take()) ? 0 : 1);
    }
    sigprocmask(SIG_SETMASK, &saved, nullptr);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    return Child{pid, fds[0], 0, {}};
}

// Reads what is there; true at the end of the answer.
bool readAnswer(Child& child) {
    char buffer[4096];
    const ssize_t n = ::read(child.fd, buffer, sizeof buffer);
    if (n < 0) return errno != EINTR && errno != EAGAIN;
    if (n == 0) return true;
    child.answer.append(buffer, static_cast<std::size_t>(n));
    return false;
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

// The child's exit, or "" when it ended well.
std::string reapChild(Child& child) {
    ::close(child.fd);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) return std::string("ended by signal ") + strsignal(WTERMSIG(status));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "ended with status " + std::to_string(WEXITSTATUS(status));
    return {};
}

// One child's answer alone.
std::string askChild(const std::function<std::string()>& work) {
    std::optional<Child> child = startChild(work);
    if (!child) return std::string("!") + std::strerror(errno);
    while (!readAnswer(*child)) {
    }
    const std::string ended = reapChild(*child);
    std::set<std::string> shown;
    return ended.empty() ? answerLine(child->answer, shown) : "!" + ended;
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
    std::vector<Child> running;
    std::size_t next = 0, done = 0, failed = 0;
    std::set<std::string> shownLines;  // of the minds, on standard error once
    bool broken = false;               // the sweep itself could not go on
    {
        InterruptWatch watch;
        Progress progress(runs.size());
        progress.draw(0);
        while ((next < runs.size() || !running.empty()) && !interrupted && !broken) {
            while (!interrupted && running.size() < jobs && next < runs.size()) {
                const Run& run = runs[next];
                std::optional<Child> child = startChild([&] { return flyRun(run, options.seconds); });
                if (!child) {
                    std::cerr << "flock: cannot start " << runText(run) << ": " << std::strerror(errno) << '\n';
                    broken = true;
                    break;
                }
                child->slot = next++;
                running.push_back(std::move(*child));
            }
            std::vector<pollfd> waiting;
            for (const Child& child : running) waiting.push_back({child.fd, POLLIN, 0});
            if (::poll(waiting.data(), waiting.size(), 100) < 0 && errno != EINTR) {
                std::cerr << "flock: " << std::strerror(errno) << '\n';
                broken = true;
            }
            for (std::size_t i = running.size(); i-- > 0;) {
                if (waiting[i].revents == 0 || !readAnswer(running[i])) continue;
                Child child = std::move(running[i]);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
                const std::string ended = reapChild(child);
                if (interrupted && !ended.empty()) continue;  // stopped with the sweep
                done += 1;
                progress.clearLine();
                const std::string answer = answerLine(child.answer, shownLines);
                if (ended.empty() && !answer.empty() && answer[0] != '!') {
                    lines[child.slot] = answer + '\n';
                    continue;
                }
                failed += 1;
                std::cerr << "flock: " << runText(runs[child.slot])
                          << " failed: " << (ended.empty() ? answer.substr(answer.empty() ? 0 : 1) : ended) << '\n';
            }
            progress.draw(done);
        }
        // Interrupted or broken: no child stays behind.
        for (Child& child : running) ::kill(child.pid, SIGTERM);
        for (Child& child : running) reapChild(child);
    }

    std::string rowsText = sweepRowsHeader();
    std::size_t finished = 0;
    for (const auto& line : lines)
        if (line) {
            rowsText += *line;
            finished += 1;
        }
    bool written = options.csvFile.empty() || writeOutput(options.csvFile, rowsText);
    if (interrupted || broken) {
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
        std::string merged = sweepRowsHeader();
        for (const SweepRow& row : rows) merged += sweepRowLine(row);
        written = writeOutput(options.csvFile, merged);
    }
    return report(rows, options) && written ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace flock
