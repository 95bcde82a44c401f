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

void anchorPaths(FlockOptions& options) {
    support::setQuiet(options.quiet);
    anchorPath(options.flock.sensorFile);
    anchorPath(options.csvFile);
    anchorPath(options.svgFile);
    anchorPath(options.pairsFile);
    anchorPath(options.seriesFile);
    for (SweepSensors& sensors : options.sweepChoice.sensors) anchorPath(sensors.file);
}

bool enter(const fs::path& folder) {
    std::error_code error;
    fs::current_path(folder, error);
    if (error) std::cerr << "flock: cannot enter '" << folder.string() << "': " << error.message() << '\n';
    return !error;
}

int fly(const FlockOptions& options, WindowProgram runWindow) {
    if (options.sweep) return runSweep(options);
    return options.headless ? runHeadlessFlight(options) : runWindow(options);
}

// --setup: each script found with its QDM_Scripts/ and tried before anything flies.
int runWithSetups(FlockOptions& options, WindowProgram runWindow) {
    std::error_code error;
    if (!options.dataFolder.empty() && !fs::is_directory(options.dataFolder, error)) {
        std::cerr << "flock: no folder '" << options.dataFolder << "' (given with --data)\n";
        return EXIT_FAILURE;
    }
    const DataSearch search = programDataSearch(options.dataFolder);
    for (SweepSetup& setup : options.sweepChoice.setups) {
        const SetupPlace place = placeSetup(setup.label, search);
        if (!place.problem.empty()) {
            std::cerr << "flock: --setup: " << place.problem << '\n';
            return 2;
        }
        setup.file = (place.folder / place.script).string();
        setup.folder = place.folder.string();
        setup.script = place.script;
        setup.scriptFolders = place.scriptFolders;
    }
    anchorPaths(options);
    if (!setupsFly(options)) return 2;
    if (options.sweep) return runSweep(options);  // each flight enters its setup's folder
    const SweepSetup& setup = options.sweepChoice.setups.front();
    options.flock.setupScript = setup.script;
    options.flock.scriptFolders = setup.scriptFolders;
    if (!enter(setup.folder)) return EXIT_FAILURE;
    return fly(options, runWindow);
}

}  // namespace

int runFlockProgram(const std::vector<std::string>& arguments, WindowProgram runWindow) {
    const support::ProgramInfo program{"flock", flockHelp(), nullptr, flockUsage()};
    FlockOptions options;
    try {
        options = parseFlockOptions(arguments);
    } catch (const UsageError& error) {
        return support::refuseCommandLine(program, error.what());
    }
    options.arguments = {"flock"};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    if (options.help) return support::printHelp(program);
    if (options.version) return support::printVersion(program);
    if (options.settings) {
        std::cout << flockSettings();
        return EXIT_SUCCESS;
    }

    if (options.summarize) return runSummarize(options);

    if (!options.sweepChoice.setups.empty()) return runWithSetups(options, runWindow);

    const DataFolder data = findDataFolder(programDataSearch(options.dataFolder));
    if (data.folder.empty()) {
        std::cerr << "flock: " << data.problem << '\n';
        return EXIT_FAILURE;
    }
    if (const std::string missing = missingDecisionScripts(data.folder); !missing.empty()) {
        std::cerr << "flock: " << missing << '\n';
        return EXIT_FAILURE;
    }
    anchorPaths(options);
    if (!enter(data.folder)) return EXIT_FAILURE;
    return fly(options, runWindow);
}

}  // namespace flock
