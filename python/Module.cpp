// quantumflock._core: flights, sweep rows and decision makers for Python, made of the
// flock's own libraries. The package's Python part (quantumflock/) checks arguments
// and makes tables; this part only flies, runs and reads.
//
// The C library's generator, the scripts' output and the working folder are one per
// process, so every call into the libraries holds one lock, taken with the GIL let go.
// Long work runs without the GIL and takes it back only to call a Python callback.

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/DataFolder.h"
#include "app/cli/DistinctLines.h"
#include "app/cli/FileDigest.h"
#include "app/cli/FlockOptions.h"
#include "app/cli/ProcessPool.h"
#include "app/cli/SweepRows.h"
#include "app/cli/SweepStatistics.h"
#include "app/sim/HeadlessFlight.h"
#include "app/sim/WorldSettings.h"
#include "decision/Inspection.h"
#include "decision/QDM.h"
#include "decision/TrainingHistory.h"
#include "decision/TrainingSizes.h"
#include "decision/ValueTypes.h"
#include "decision/VEXCommands.h"
#include "decision/DecisionCall.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "interp/ScriptFiles.h"
#include "support/Failure.h"
#include "support/FileReplace.h"
#include "support/ProjectVersion.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"
#include "support/TaskProgress.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace {

std::recursive_mutex coreMutex;

// The lock every call into the libraries holds; the GIL is let go while waiting, so a
// thread in a callback (which holds the lock and wants the GIL) never waits on us.
std::unique_lock<std::recursive_mutex> lockCore() {
    py::gil_scoped_release released;
    return std::unique_lock<std::recursive_mutex>(coreMutex);
}

// While it lives the process works in `folder`, as flock does in its data folder.
class InFolder {
public:
    explicit InFolder(const std::string& folder) {
        std::error_code error;
        saved_ = fs::current_path(error);
        fs::current_path(folder, error);
        if (error) throw flock::SetupFailure("cannot enter '" + folder + "': " + error.message());
    }
    ~InFolder() {
        std::error_code error;
        if (!saved_.empty()) fs::current_path(saved_, error);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path saved_;
};

// What the minds print, each distinct line once, kept for the caller.
class MindsText {
public:
    MindsText() : stream_(&lines_), redirect_(stream_) {}
    std::string take() { return lines_.take(); }

private:
    flock::DistinctLines lines_;
    std::ostream stream_;
    support::OutputTo redirect_;
};

// One flight's choice, as the Python side checked it.
struct FlightAsk {
    int agents = flock::kAgentCount;
    std::string sensors = "setup";  // "setup", "random" or "file"
    std::string sensorFile;         // absolute, for "file"
    unsigned seed = 1;
    double seconds = 60;
    double every = 0;
    std::string dataFolder;  // absolute
    std::vector<std::pair<std::string, double>> settings;  // world settings not at their default
    std::string setup;       // absolute; empty: the data folder's own setup script
};

flock::WorldSettings worldOf(const std::vector<std::pair<std::string, double>>& settings) {
    flock::WorldSettings world;
    for (const auto& [name, value] : settings) {
        try {
            flock::setWorldSetting(world, name, value);
        } catch (const std::runtime_error& refused) {
            throw py::value_error(std::string("settings: ") + refused.what());
        }
    }
    return world;
}

void checkAsk(const FlightAsk& ask) {
    if (ask.agents < 1 || ask.agents > flock::kMaxAgentCount)
        throw py::value_error("agents must be from 1 to " + std::to_string(flock::kMaxAgentCount));
    if (!(ask.seconds > 0) || ask.seconds > flock::kMaxFlightSeconds)
        throw py::value_error("seconds must be above 0 and at most " + std::to_string(int(flock::kMaxFlightSeconds)));
    if (!(ask.every >= 0)) throw py::value_error("every must be above 0");
    if (ask.sensors != "setup" && ask.sensors != "random" && ask.sensors != "file")
        throw py::value_error("sensors must be setup, random or file");
    if (ask.dataFolder.empty()) throw py::value_error("no data folder");
    worldOf(ask.settings);
}

flock::FlightSettings settingsOf(const FlightAsk& ask) {
    flock::FlightSettings settings;
    settings.flock.agentCount = ask.agents;
    settings.flock.sensors = ask.sensors == "file"     ? flock::SensorSource::File
                             : ask.sensors == "random" ? flock::SensorSource::Random
                                                       : flock::SensorSource::Setup;
    settings.flock.sensorFile = ask.sensorFile;
    settings.flock.world = worldOf(ask.settings);
    settings.flock.setupScript = ask.setup;
    settings.seed = ask.seed;
    settings.seconds = ask.seconds;
    settings.keepDecisions = false;  // the answer has the figures only
    return settings;
}

// The flight of `ask` in the data folder, as flock --headless flies it; raises what
// flock reports as a failed flight. Call with the core lock held.
flock::FlightRecord flyLocked(flock::FlightSettings settings, const FlightAsk& ask, std::string& minds) {
    InFolder inData(ask.dataFolder);
    flock::FlightRecord record;
    {
        MindsText text;
        try {
            record = flock::flyHeadless(settings);
        } catch (...) {
            minds = text.take();
            throw;
        }
        minds = text.take();
    }
    if (record.whole.decisions > 0 && record.answered == 0)
        throw support::Failure("every one of " + std::to_string(record.whole.decisions) +
                            " decisions failed; the first failure: " +
                            (record.firstFailure.empty() ? std::string("(no message)") : record.firstFailure));
    return record;
}

py::dict figuresDict(const flock::FlightFigures& figures) {
    py::dict values;
    const flock::FigureValues numbers = flock::valuesOf(figures);
    for (std::size_t i = 0; i < flock::kFigureCount; ++i) values[flock::kFlightFigures[i].name] = numbers[i];
    return values;
}

// (figures, [(end seconds, figures)...] of each period when `every` is set, minds' text).
py::tuple fly(const FlightAsk& ask) {
    checkAsk(ask);
    flock::FlightSettings settings = settingsOf(ask);
    std::vector<flock::FlightFigures> periods;
    if (ask.every > 0) {
        settings.periodFrames = flock::flightFrames(ask.every, 60);
        settings.onPeriod = [&](const flock::FlightFigures& stretch) { periods.push_back(stretch); };
    }
    std::string minds;
    flock::FlightRecord record;
    {
        auto lock = lockCore();
        py::gil_scoped_release released;
        record = flyLocked(std::move(settings), ask, minds);
    }
    py::list stretches;
    for (const flock::FlightFigures& stretch : periods) stretches.append(py::make_tuple(stretch.endSeconds, figuresDict(stretch)));
    return py::make_tuple(figuresDict(record.whole), stretches, minds);
}

// One run of a sweep.
struct RunAsk {
    std::int64_t run = 0;
    std::string label;  // the row's sensors
    FlightAsk flight;
    bool grid = false;        // the row names its setup and every setting
    std::string setupLabel = flock::kDefaultSetupLabel;  // the setup as given
};

// The run's row line, without its newline, as flock --sweep writes it.
std::string rowLocked(const RunAsk& ask, std::string& minds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const flock::FlightRecord record = flyLocked(settingsOf(ask.flight), ask.flight, minds);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    flock::SweepRow row = flock::sweepRow(ask.run, ask.flight.agents, ask.label, ask.flight.seconds, ask.flight.seed,
                                          record.whole, wall);
    row.grid = ask.grid;
    row.setup = ask.setupLabel;
    row.world = worldOf(ask.flight.settings);
    std::string line = flock::sweepRowLine(row);
    line.pop_back();
    return line;
}

// (row line, minds' text) of one run in this process: what a Dask worker does.
py::tuple row(const RunAsk& ask) {
    checkAsk(ask.flight);
    std::string minds, line;
    {
        auto lock = lockCore();
        py::gil_scoped_release released;
        line = rowLocked(ask, minds);
    }
    return py::make_tuple(line, minds);
}

// The runs in child processes, `jobs` at once. Answers (lines, failures, interrupted):
// a row line or None per run, and (run index, why) of each that failed. `progress`
// is told (runs done, of all) as each ends.
py::tuple rowsInChildren(const std::vector<RunAsk>& runs, std::size_t jobs, const py::object& progress) {
    for (const RunAsk& ask : runs) checkAsk(ask.flight);
    if (jobs < 1) throw py::value_error("jobs must be 1 or more");
    std::vector<std::optional<std::string>> lines(runs.size());
    std::vector<std::pair<std::size_t, std::string>> failed;
    std::optional<py::error_already_set> progressError;
    std::size_t done = 0;
    flock::PoolEnd end;
    {
        auto lock = lockCore();
        py::gil_scoped_release released;
        flock::PoolHooks hooks;
        // Each child answers its row line, or "!" and why.
        hooks.work = [&](std::size_t task) {
            std::string minds, answer;
            try {
                answer = rowLocked(runs[task], minds);
            } catch (const std::exception& failure) {
                answer = std::string("!") + failure.what();
            }
            std::cerr << minds << std::flush;
            for (char& c : answer)
                if (c == '\n') c = ' ';
            return answer;
        };
        hooks.cannotStart = [&](std::size_t task, const std::string& reason) {
            failed.emplace_back(task, "cannot start: " + reason);
        };
        hooks.cannotWait = [&](const std::string& reason) { failed.emplace_back(runs.size(), reason); };
        hooks.answered = [&](const flock::ChildAnswer& child) {
            done += 1;
            if (child.ended.empty() && !child.text.empty() && child.text[0] != '!')
                lines[child.task] = child.text;
            else
                failed.emplace_back(child.task, child.ended.empty() ? child.text.substr(child.text.empty() ? 0 : 1)
                                                                    : child.ended);
            if (progress.is_none() || progressError) return;
            py::gil_scoped_acquire held;
            try {
                progress(done, runs.size());
            } catch (py::error_already_set& error) {
                progressError = std::move(error);
            }
        };
        hooks.waited = [] {};
        end = flock::runInChildren(runs.size(), jobs, hooks);
    }
    if (progressError) throw *progressError;
    py::list answered;
    for (auto& line : lines) answered.append(line ? py::object(py::str(*line)) : py::object(py::none()));
    py::list failures;
    for (const auto& [task, why] : failed)
        failures.append(py::make_tuple(task < runs.size() ? runs[task].run : -1, why));
    return py::make_tuple(answered, failures, end == flock::PoolEnd::Interrupted, end == flock::PoolEnd::Broken);
}

// The first folder holding the setup script: `given` alone when set, else the working
// folder, then each of `others`. Answers (folder, problem).
py::tuple findData(const std::string& given, const std::vector<std::string>& others) {
    flock::DataSearch search;
    search.given = given;
    std::error_code error;
    search.workingFolder = fs::current_path(error);
    if (!others.empty()) search.buildTreeData = others[0];
    if (others.size() > 1) search.installedData = others[1];
    flock::DataFolder found = flock::findDataFolder(search);
    if (found.folder.empty()) return py::make_tuple(py::none(), found.problem);
    const std::string missing = flock::missingDecisionScripts(found.folder);
    if (!missing.empty()) return py::make_tuple(py::none(), missing);
    return py::make_tuple(found.folder.string(), "");
}

// The provenance lines of rows flown with these setup and sensor files ((name, path) each).
std::string provenance(const std::string& command, const std::vector<std::pair<std::string, std::string>>& setups,
                       const std::vector<std::pair<std::string, std::string>>& sensors) {
    auto lock = lockCore();
    flock::Provenance made;
    made.version = support::kProjectVersion;
    made.command = command;
    for (const auto& [kind, files] : {std::pair{"setup", &setups}, std::pair{"sensors", &sensors}})
        for (const auto& [name, path] : *files) {
            std::string reason;
            std::optional<flock::FileIdentity> identity = flock::identifyFile(kind, name, path, reason);
            if (!identity) throw py::value_error("cannot read '" + path + "': " + reason);
            made.files.push_back(std::move(*identity));
        }
    return flock::provenanceLines(made);
}

// flock --summarize of row files' texts ((name, text) each): the merged rows (header and
// lines), the pairs as --pairs writes them, and the printed summary.
py::tuple summarizeTexts(const std::vector<std::pair<std::string, std::string>>& texts) {
    auto lock = lockCore();
    std::vector<flock::RowFile> files;
    for (const auto& [name, text] : texts) files.push_back(flock::readRowFile(text, name));
    const flock::MergedRows merged = flock::mergeRowFiles(files);
    std::string rows = flock::sweepRowsHeader(merged.settingNames);
    for (const flock::SweepRow& row : merged.rows) rows += flock::sweepRowLine(row);
    return py::make_tuple(rows, flock::sweepPairsCsv(merged.rows, merged.settingNames),
                          flock::sweepSummary(merged.rows, merged.settingNames));
}

py::tuple spread(const std::vector<double>& values) {
    const flock::Spread s = flock::spreadOf(values);
    return py::make_tuple(s.count, s.mean, s.deviation, s.low, s.high);
}

// A table as a list of dicts, a dict a row: keys[i] holds the row's member members[i]
// (a null text as None).
template <class Table, class... Members>
py::list dictRows(const Table& table, const std::array<const char*, sizeof...(Members)>& keys, Members... members) {
    py::list rows;
    for (const auto& entry : table) {
        py::dict row;
        std::size_t key = 0;
        ((row[keys[key++]] = entry.*members), ...);
        rows.append(row);
    }
    return rows;
}

py::list worldSettingTable() {
    using S = flock::WorldSetting;
    return dictRows(flock::worldSettingTable(), {"name", "default", "unit", "low", "high", "whole", "meaning"}, &S::name,
                    &S::defaultValue, &S::unit, &S::low, &S::high, &S::whole, &S::meaning);
}

py::list figureTable() {
    using F = flock::FlightFigure;
    return dictRows(flock::kFlightFigures, {"name", "summary", "higher_is_better", "count", "help", "stored"}, &F::name,
                    &F::summary, &F::higherIsBetter, &F::count, &F::help, &F::stored);
}

// --- decision makers ---

// An object-language interpreter with the decision library, as tala runs it.
class Interpreter {
public:
    Interpreter() {
        auto lock = lockCore();
        host_ = std::make_unique<tala::interp::InterpreterHost>();
        host_->addLibrary(std::make_unique<vex::VEXCommands>());
    }
    ~Interpreter() {
        auto lock = lockCore();
        host_.reset();
    }
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // A progress callback may call back into the interpreter that is training: refused,
    // since the training holds its decision maker and variables.
    void checkIdle() const {
        if (training_) throw support::Failure("this interpreter is training; call it again when the training is over");
    }
    class Training {
    public:
        explicit Training(Interpreter& interpreter) : interpreter_(interpreter) { interpreter_.training_ = true; }
        ~Training() { interpreter_.training_ = false; }
        Training(const Training&) = delete;
        Training& operator=(const Training&) = delete;

    private:
        Interpreter& interpreter_;
    };

    void addFolder(const std::string& folder) {
        auto lock = lockCore();
        host_->interpreter().addSearchDirectory(folder);
    }

    // (printed text, failure message or None). A command that normalises to nothing runs nothing.
    py::tuple run(const std::string& command, bool quiet) {
        checkIdle();
        std::ostringstream printed;
        std::optional<std::string> failure;
        {
            auto lock = lockCore();
            py::gil_scoped_release released;
            QuietWhile keep(quiet);
            support::OutputTo redirect(printed);
            try {
                const std::string text = tala::interp::normalizeCommandText(command);
                if (!text.empty()) host_->runCommand(text);
            } catch (const std::exception& error) {
                failure = error.what();
            }
        }
        return py::make_tuple(printed.str(), failure ? py::object(py::str(*failure)) : py::object(py::none()));
    }

    // The "file" command tala runs for a script named on its command line.
    std::string fileCommand(const std::string& path) {
        auto lock = lockCore();
        std::optional<std::vector<std::string>> commands = tala::interp::scriptFileCommands("quantumflock", {path});
        if (!commands || commands->size() != 1) throw py::value_error("cannot run the script file '" + path + "'");
        return commands->front();
    }

    // The decision maker in the global `name`, kept alive while held; raises when there is none.
    std::shared_ptr<vex::QDM> decisionMaker(const std::string& name) {
        checkIdle();
        tala::interp::Object found;
        if (!host_->interpreter().globals().lookup(name, found))
            throw py::value_error("no global '" + name + "' in this interpreter");
        const auto value = vex::userValue<vex::QDMType>(found);
        if (!value) throw py::type_error("the global '" + name + "' is not a vex::QDM");
        std::shared_ptr<vex::QDM> decisionMaker = value->decisionMaker();
        if (!decisionMaker)
            throw support::Failure("the global '" + name + "' holds no decision maker (make one with vex::qdm::new)");
        return decisionMaker;
    }

    std::shared_ptr<vex::TrainingSetType> trainingSet(const std::string& name) {
        tala::interp::Object found;
        if (!host_->interpreter().globals().lookup(name, found))
            throw py::value_error("no global '" + name + "' in this interpreter");
        const auto value = vex::userValue<vex::TrainingSetType>(found);
        if (!value) throw py::type_error("the global '" + name + "' is not a vex::TrainingSet");
        return value;
    }

    class QuietWhile {
    public:
        explicit QuietWhile(bool quiet) : saved_(support::quiet()) { support::setQuiet(quiet); }
        ~QuietWhile() { support::setQuiet(saved_); }

    private:
        bool saved_;
    };

private:
    std::unique_ptr<tala::interp::InterpreterHost> host_;
    bool training_ = false;
};

py::array_t<std::complex<double>> stateOf(Interpreter& interpreter, const std::string& name) {
    auto lock = lockCore();
    const auto decisionMaker = interpreter.decisionMaker(name);
    tala::interp::Variable found;
    tala::interp::lookup(decisionMaker->variables, "psi.0", found);
    if (!found.hasValue() || found.typeName != "matrix")
        throw support::Failure("the decision maker has no state psi.0 yet (vex::qdm::finalize makes it)");
    const linalg::Matrix& psi = found.getMatrix();
    py::array_t<std::complex<double>> state(static_cast<py::ssize_t>(psi.entryCount()));
    auto out = state.mutable_unchecked<1>();
    const linalg::Complex* entries = psi.data();
    for (int i = 0; i < psi.entryCount(); ++i) out(i) = std::complex<double>(entries[i].re, entries[i].im);
    return state;
}

// [(action name, probability)...] of a space's actions, read without a measurement.
std::vector<std::pair<std::string, double>> oddsOf(Interpreter& interpreter, const std::string& name, int space) {
    auto lock = lockCore();
    const auto decisionMaker = interpreter.decisionMaker(name);
    if (space < 0 || space >= static_cast<int>(decisionMaker->actionSpaces.size()))
        throw py::value_error("space must be from 0 to " + std::to_string(decisionMaker->actionSpaces.size()) +
                              " (exclusive): the decision maker has " +
                              std::to_string(decisionMaker->actionSpaces.size()) + " action spaces");
    if (!decisionMaker->finalized) throw support::Failure("the decision maker is not finalized yet (vex::qdm::finalize)");
    std::vector<std::pair<std::string, double>> odds;
    MindsText hidden;  // a fallback route through the evaluator may print; the caller sees the numbers
    const auto& points = decisionMaker->actionSpaces[static_cast<std::size_t>(space)].points;
    for (std::size_t a = 0; a < points.size(); ++a)
        odds.emplace_back(points[a].name, decisionMaker->actionProbability(space, static_cast<int>(a)));
    return odds;
}

std::string describeOf(Interpreter& interpreter, const std::string& name) {
    auto lock = lockCore();
    std::ostringstream text;
    vex::describe(*interpreter.decisionMaker(name), text);
    return text.str();
}

// [(rule, label, space, action, decided, intended)...] of playing each rule `trials` times.
py::list scoreOf(Interpreter& interpreter, const std::string& name, const std::string& rules, int trials,
                 std::optional<int> steps) {
    auto lock = lockCore();
    const auto decisionMaker = interpreter.decisionMaker(name);
    const auto set = interpreter.trainingSet(rules);
    if (set->rules.empty()) throw py::value_error("the training set '" + rules + "' has no rules");
    if (trials < 1) throw py::value_error("trials must be 1 or more");
    const int trained = decisionMaker->trainingHistory.repetitions;
    const int stepCount = steps.value_or(trained > 0 ? trained : 1);
    if (stepCount < 1) throw py::value_error("steps must be 1 or more");
    if (!decisionMaker->finalized) throw support::Failure("the decision maker is not finalized yet (vex::qdm::finalize)");
    for (const vex::Rule& rule : set->rules)
        for (const vex::SensorNames& names : rule.sensorLists)
            for (const std::string& sensor : names)
                if (!decisionMaker->hasSensor(sensor))
                    throw py::value_error("a rule names no sensor of the decision maker: '" + sensor + "'");
    std::vector<std::vector<vex::RuleScore>> scores;
    {
        py::gil_scoped_release released;
        MindsText hidden;
        scores = vex::scoreRules(*decisionMaker, set->rules, trials, stepCount);
    }
    py::list rows;
    for (std::size_t r = 0; r < scores.size(); ++r)
        for (const vex::RuleScore& score : scores[r]) {
            const auto& points = decisionMaker->actionSpaces[static_cast<std::size_t>(score.space)].points;
            for (std::size_t a = 0; a < score.decided.size(); ++a) {
                double intended = 0;
                for (const vex::DistributionEntry& entry : set->rules[r].entries)
                    if (entry.spaceIndex == score.space && entry.actionIndex == static_cast<int>(a))
                        intended += entry.weight;
                rows.append(py::make_tuple(r, vex::ruleLabel(*decisionMaker, set->rules[r]), score.space,
                                           a < points.size() ? points[a].name : std::to_string(a), score.decided[a],
                                           intended, stepCount));
            }
        }
    return rows;
}

// Tells the Python callback (generations done, of all, the progress line) before each
// generation and at the end; a False answer or a Ctrl-C (Python's pending
// KeyboardInterrupt) stops training after the current generation.
class CallbackProgress : public support::TaskProgress {
public:
    CallbackProgress(py::object callback, const vex::QDM& decisionMaker, int generations)
        : callback_(std::move(callback)), decisionMaker_(decisionMaker), generations_(generations) {}

    void show(const std::string& state) override { line_ = state; }
    void end(const std::string& state) override {
        line_ = state;
        tell();
    }
    bool stopRequested() override {
        py::gil_scoped_acquire held;
        if (!error_ && PyErr_CheckSignals() != 0) error_.emplace();
        if (decisionMaker_.trainingHistory.generations.size() != told_) tell();
        return stop_ || error_.has_value();
    }
    std::optional<py::error_already_set>& error() { return error_; }

private:
    void tell() {
        if (callback_.is_none() || error_) return;
        py::gil_scoped_acquire held;
        told_ = decisionMaker_.trainingHistory.generations.size();
        try {
            const py::object answer = callback_(told_, generations_, line_);
            if (!answer.is_none() && !py::bool_(answer)) stop_ = true;
        } catch (py::error_already_set& failure) {
            error_ = std::move(failure);
        }
    }

    py::object callback_;
    const vex::QDM& decisionMaker_;
    int generations_;
    std::size_t told_ = 0;
    std::string line_;
    bool stop_ = false;
    std::optional<py::error_already_set> error_;
};

// Trains as vex::train does; answers (printed text, history rows, rule labels).
py::tuple trainOf(Interpreter& interpreter, const std::string& name, const std::string& rules, int generations,
                  int repetitions, int population, int limit, const py::object& progress, bool quiet) {
    auto lock = lockCore();
    const auto decisionMaker = interpreter.decisionMaker(name);
    const auto set = interpreter.trainingSet(rules);
    for (const auto& [value, what] : {std::pair{generations, "generations"}, {repetitions, "repetitions"},
                                      {population, "population"}, {limit, "limit"}})
        if (value < 1) throw py::value_error(std::string(what) + " must be 1 or more, not " + std::to_string(value));
    std::ostringstream printed;
    CallbackProgress shown(progress, *decisionMaker, generations);
    Interpreter::Training busy(interpreter);
    std::optional<std::string> failure;
    {
        py::gil_scoped_release released;
        Interpreter::QuietWhile keep(quiet);
        support::OutputTo redirect(printed);
        try {
            vex::warnAboutTrainingSizes(generations, repetitions, population, limit);
            decisionMaker->train(set->rules, generations, repetitions, population, limit, &shown);
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (shown.error()) throw *shown.error();
    if (failure) throw support::Failure(*failure);
    py::list history;
    for (const vex::GenerationFitness& generation : decisionMaker->trainingHistory.generations)
        history.append(py::make_tuple(generation.best, generation.mean, generation.worst, generation.bestRules));
    return py::make_tuple(printed.str(), history, decisionMaker->trainingHistory.ruleLabels);
}

}  // namespace

PYBIND11_MODULE(_core, module) {
    module.doc() = "The flock's libraries for the quantumflock package (use quantumflock, not this).";
    static py::exception<support::Failure> failure(module, "Failure");
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised) std::rethrow_exception(raised);
        } catch (const support::Failure& error) {
            failure(error.what());
        } catch (const flock::SetupFailure& error) {
            failure(error.what());
        } catch (const flock::RowFileError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        }
    });

    module.attr("version") = support::kProjectVersion;
    module.attr("source_data_folder") = FLOCK_SOURCE_DATA_DIR;
    module.attr("max_agents") = flock::kMaxAgentCount;
    module.attr("max_seconds") = flock::kMaxFlightSeconds;
    module.attr("max_agent_seconds") = flock::kMaxAgentSeconds;
    module.attr("max_runs") = flock::kMaxSweepRuns;
    module.attr("max_jobs") = flock::kMaxSweepJobs;
    module.attr("default_agents") = flock::kAgentCount;
    module.attr("default_setup") = flock::kDefaultSetupLabel;
    module.def("rows_header", [](bool grid) { return flock::sweepRowsHeader(grid); }, py::arg("grid") = false);
    module.def("world_settings", &worldSettingTable);
    module.def("check_setting", [](const std::string& name, double value) {
        worldOf({{name, value}});
    });

    py::class_<FlightAsk>(module, "FlightAsk")
        .def(py::init<>())
        .def_readwrite("agents", &FlightAsk::agents)
        .def_readwrite("sensors", &FlightAsk::sensors)
        .def_readwrite("sensor_file", &FlightAsk::sensorFile)
        .def_readwrite("seed", &FlightAsk::seed)
        .def_readwrite("seconds", &FlightAsk::seconds)
        .def_readwrite("every", &FlightAsk::every)
        .def_readwrite("data_folder", &FlightAsk::dataFolder)
        .def_readwrite("settings", &FlightAsk::settings)
        .def_readwrite("setup", &FlightAsk::setup);
    py::class_<RunAsk>(module, "RunAsk")
        .def(py::init<>())
        .def_readwrite("run", &RunAsk::run)
        .def_readwrite("label", &RunAsk::label)
        .def_readwrite("flight", &RunAsk::flight)
        .def_readwrite("grid", &RunAsk::grid)
        .def_readwrite("setup_label", &RunAsk::setupLabel);

    module.def("fly", &fly, "(figures, periods, minds' text) of one flight in this process");
    module.def("row", &row, "(row line, minds' text) of one run in this process");
    module.def("rows_in_children", &rowsInChildren, py::arg("runs"), py::arg("jobs"), py::arg("progress"));
    module.def("find_data", &findData);
    module.def("provenance", &provenance);
    module.def("summarize", &summarizeTexts);
    module.def("replace_file", [](const std::string& path, const std::string& text) {
        auto lock = lockCore();
        try {
            support::replaceFile(path, text);
        } catch (const std::exception& refused) {
            PyErr_SetString(PyExc_OSError, ("cannot write '" + path + "': " + refused.what()).c_str());
            throw py::error_already_set();
        }
    });
    module.def("spread", &spread, "(count, mean, sd, low, high) with the 95 % interval of the mean");
    module.def("figures", &figureTable);

    py::class_<Interpreter>(module, "Interpreter")
        .def(py::init<>())
        .def("add_folder", &Interpreter::addFolder)
        .def("run", &Interpreter::run)
        .def("file_command", &Interpreter::fileCommand);
    module.def("state", &stateOf);
    module.def("odds", &oddsOf);
    module.def("describe", &describeOf);
    module.def("score", &scoreOf);
    module.def("train", &trainOf);
    module.def("seed", [](unsigned seed) {
        auto lock = lockCore();
        std::srand(seed);
    });
}
