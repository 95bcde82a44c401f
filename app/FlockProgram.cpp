#include "app/FlockProgram.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <iostream>

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/FramePacer.h"
#include "app/GlCanvas.h"
#include "app/GlfwWindow.h"

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

int runFlockProgram() {
    SteadyClock clock;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    AppState app(clock);
    GlfwWindow window(app.keys);
    if (!window.open("Open GL")) return EXIT_FAILURE;
    GlCanvas canvas(window);

    int status = EXIT_SUCCESS;
    try {
        startApp(app);
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
