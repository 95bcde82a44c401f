// flock --headless: the flight, its table on standard output, and the files asked for.
#include <exception>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>
#include <utility>

#include "app/cli/DistinctLines.h"
#include "app/sim/FlightReport.h"
#include "app/cli/FlockProgram.h"
#include "app/cli/RowOutput.h"
#include "support/FileReplace.h"
#include "support/ScriptOutput.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

inline constexpr int kFramesPerSecond = 60;

// While it lives, what the minds print goes to standard error, each distinct line
// once, so that standard output holds the table alone and a message every agent
// repeats every frame, or a progress line ending in a carriage return, shows once.
class MindsToStandardError {
public:
    MindsToStandardError() : lines_(std::cerr.rdbuf()), stream_(&lines_), redirect_(stream_) {}

private:
    DistinctLines lines_;
    std::ostream stream_;
    support::OutputTo redirect_;
};

// Why `file` cannot be written, or empty.
std::string outputProblem(const std::string& file) {
    std::error_code error;
    if (fs::is_directory(file, error)) return "it is a folder";
    const fs::path folder = fs::path(file).parent_path();
    if (!fs::exists(file, error) && !fs::is_symlink(file, error) && !fs::is_directory(folder, error))
        return "no folder '" + folder.string() + "'";
    return support::replaceProblem(file);
}

}  // namespace

bool writeOutput(const std::string& file, const std::string& text) {
    try {
        support::replaceFile(file, text);
        return true;
    } catch (const std::exception& failure) {
        std::cerr << "flock: cannot write '" << file << "': " << failure.what() << '\n';
        return false;
    }
}

bool outputsWritable(const FlockOptions& options) {
    for (const std::string* file : {&options.csvFile, &options.svgFile, &options.pairsFile, &options.seriesFile}) {
        if (file->empty()) continue;
        const std::string problem = outputProblem(*file);
        if (problem.empty()) continue;
        std::cerr << "flock: cannot write '" << *file << "': " << problem << '\n';
        return false;
    }
    return true;
}

int runHeadlessFlight(const FlockOptions& options) {
    if (!outputsWritable(options)) return EXIT_FAILURE;
    std::string series;
    if (!options.seriesFile.empty()) try {
        series = provenanceLines(provenanceOf(options)) + seriesHeader();
    } catch (const RowFileError& error) {
        std::cerr << "flock: " << error.what() << '\n';
        return EXIT_FAILURE;
    }

    FlightSettings settings;
    settings.flock = options.flock;
    settings.seed = options.seed.value_or(1);
    settings.seconds = options.seconds;
    settings.framesPerSecond = kFramesPerSecond;
    settings.keepPaths = !options.svgFile.empty();
    settings.keepDecisions = !options.csvFile.empty();
    // The table goes to standard output, the header with its first row.
    std::ostream& table = std::cout;
    bool headed = false;
    auto printRow = [&](const std::string& label, const FlightFigures& figures) {
        if (!std::exchange(headed, true)) table << figuresHeader();
        table << figuresRow(label, figures) << std::flush;
    };
    if (options.every > 0) {
        settings.periodFrames = flightFrames(options.every, kFramesPerSecond);
        settings.onPeriod = [&](const FlightFigures& stretch) {
            printRow(stretchLabel(stretch.endSeconds), stretch);
            if (!options.seriesFile.empty()) series += seriesLine(0, stretch);
        };
    }

    FlightRecord record;
    try {
        MindsToStandardError minds;
        record = flyHeadless(settings);
    } catch (const std::exception& failure) {
        std::cerr << "flock: " << failure.what() << '\n';
        return EXIT_FAILURE;
    }
    printRow("all", record.whole);
    // A flight in which no decision was answered measured nothing: say why, and fail.
    if (record.whole.decisions > 0 && record.answered == 0) {
        std::cerr << "flock: every one of " << record.whole.decisions << " decisions failed; the first failure: "
                  << (record.firstFailure.empty() ? std::string("(no message)") : record.firstFailure) << '\n';
        return EXIT_FAILURE;
    }

    bool written = true;
    if (!options.csvFile.empty()) written = writeOutput(options.csvFile, decisionsCsv(record, kFramesPerSecond)) && written;
    if (!options.seriesFile.empty()) written = writeOutput(options.seriesFile, series) && written;
    if (!options.svgFile.empty()) {
        std::ostringstream title;
        title << options.flock.agentCount << " agents, " << options.seconds << " s, seed " << settings.seed << ", "
              << sensorsTitle(options.flock);
        written = writeOutput(options.svgFile, flightPicture(record, kFramesPerSecond, title.str())) && written;
    }
    return written ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace flock
