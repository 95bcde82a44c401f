#include "app/cli/FlockProgram.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/cli/DataFolder.h"
#include "app/cli/Sweep.h"
#include "support/Reporting.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

// Names given on the command line mean what they meant where flock was started.
void anchorPath(std::string& path) {
    if (!path.empty()) path = fs::absolute(path).string();
}

}  // namespace

int runFlockProgram(const std::vector<std::string>& arguments, WindowProgram runWindow) {
    const tala::interp::ProgramInfo program{"flock", flockHelp(), nullptr, flockUsage()};
    FlockOptions options;
    try {
        options = parseFlockOptions(arguments);
    } catch (const UsageError& error) {
        return tala::interp::refuseCommandLine(program, error.what());
    }
    options.arguments = {"flock"};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    if (options.help) return tala::interp::printHelp(program);
    if (options.version) return tala::interp::printVersion(program);

    if (options.summarize) return runSummarize(options);

    const DataFolder data = findDataFolder(programDataSearch(options.dataFolder));
    if (data.folder.empty()) {
        std::cerr << "flock: " << data.problem << '\n';
        return EXIT_FAILURE;
    }
    if (const std::string missing = missingDecisionScripts(data.folder); !missing.empty()) {
        std::cerr << "flock: " << missing << '\n';
        return EXIT_FAILURE;
    }
    tala::interp::setQuiet(options.quiet);
    anchorPath(options.flock.sensorFile);
    anchorPath(options.csvFile);
    anchorPath(options.svgFile);
    anchorPath(options.pairsFile);
    anchorPath(options.seriesFile);
    for (SweepSensors& sensors : options.sweepChoice.sensors) anchorPath(sensors.file);
    std::error_code error;
    fs::current_path(data.folder, error);
    if (error) {
        std::cerr << "flock: cannot enter '" << data.folder.string() << "': " << error.message() << '\n';
        return EXIT_FAILURE;
    }
    if (options.sweep) return runSweep(options);
    return options.headless ? runHeadlessFlight(options) : runWindow(options);
}

}  // namespace flock
