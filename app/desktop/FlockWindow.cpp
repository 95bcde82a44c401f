#include "app/desktop/FlockWindow.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>

#include "app/desktop/GlCanvas.h"
#include "app/desktop/GlfwWindow.h"
#include "app/sim/AppState.h"
#include "app/sim/FlockSetup.h"
#include "app/sim/FrameLoop.h"
#include "app/sim/FramePacer.h"

namespace flock {

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

}  // namespace

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
