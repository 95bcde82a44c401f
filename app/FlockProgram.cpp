#include "app/FlockProgram.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>

#include "app/AppState.h"
#include "app/DataFolder.h"
#include "app/FrameLoop.h"
#include "app/FramePacer.h"
#include "app/GlCanvas.h"
#include "app/GlfwWindow.h"
#include "app/Sweep.h"
#include "support/Reporting.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

// Events first, always: a frame is drawn only once the queue is empty.
void runMainLoop(AppState& app, GlfwWindow& window, Canvas& canvas) {
    FramePacer pacer;
    while (true) {
        window.pollEvents();
        if (window.closeRequested()) return;
        if (!runLoopPass(app, canvas)) return;
        pacer.pace();
    }
}

// Names given on the command line mean what they meant where flock was started.
void anchorPath(std::string& path) {
    if (!path.empty()) path = fs::absolute(path).string();
}

}  // namespace

int runFlockProgram(const std::vector<std::string>& arguments) {
    const tala::interp::ProgramInfo program{"flock", flockHelp(), nullptr, flockUsage()};
    FlockOptions options;
    try {
        options = parseFlockOptions(arguments);
    } catch (const UsageError& error) {
        return tala::interp::refuseCommandLine(program, error.what());
    }
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
    for (SweepSensors& sensors : options.sweepChoice.sensors) anchorPath(sensors.file);
    std::error_code error;
    fs::current_path(data.folder, error);
    if (error) {
        std::cerr << "flock: cannot enter '" << data.folder.string() << "': " << error.message() << '\n';
        return EXIT_FAILURE;
    }
    if (options.sweep) return runSweep(options);
    return options.headless ? runHeadlessFlight(options) : runFlockWindow(options);
}

int runFlockWindow(const FlockOptions& options) {
    SteadyClock clock;
    std::srand(options.seed ? *options.seed : static_cast<unsigned>(std::time(nullptr)));
    AppState app(clock);
    // The agents before the window: no window opens for data that cannot fly.
    std::unique_ptr<Flock> agents;
    try {
        agents = createProgramFlock(options.flock);
    } catch (const std::exception& failure) {
        std::cerr << "flock: " << failure.what() << '\n';
        return EXIT_FAILURE;
    }
    GlfwWindow window(app.keys);
    if (!window.open("Open GL")) {
        std::cerr << "flock: no window could be opened";
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            std::cerr << " (no display is set)";
        std::cerr << "; flock --headless flies the flock without one\n";
        return EXIT_FAILURE;
    }
    GlCanvas canvas(window);

    int status = EXIT_SUCCESS;
    try {
        startApp(app, [&](AppState&) { return std::move(agents); });
        runMainLoop(app, window, canvas);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << '\n';
        status = EXIT_FAILURE;
    }
    try {
        app.agents->releaseAgents();
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << '\n';
        status = EXIT_FAILURE;
    }
    window.close();
    return status;
}

}  // namespace flock
