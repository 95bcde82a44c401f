// The web page's program: the flock on the page's canvas, the page's keys and buttons,
// and a console that speaks tala to agent 1's own interpreter while the flock flies.
//
// One loop, as the desktop's: it waits for the browser's next animation frame (the
// page yields there, through Asyncify), runs one pass of the frame loop, then the
// console lines that came in. A long command polls the keys now and then; each poll
// draws a frame and yields, so the page stays alive and Ctrl-C or q reaches the command.
//
// The threaded page (FLOCK_WEB_THREADS) runs the same passes from the browser's
// animation-frame loop and the console's commands on a command thread of its own
// (web/threads/CommandThread.h): a key poll there waits while the main thread draws the
// frame, so frames come where they come above, and the two take turns at the program.

#include <emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <exception>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/sim/AgentInterpreter.h"
#include "app/sim/AppState.h"
#include "app/sim/Clock.h"
#include "app/sim/FlightReport.h"
#include "app/sim/FlockSetup.h"
#include "app/sim/FrameLoop.h"
#include "app/sim/WorldSettings.h"
#include "decision/StopPoll.h"
#include "decision/TrainingThreads.h"
#include "decision/VEXCommands.h"
#include "interp/CommandTokenizer.h"
#include "support/ConsoleKeys.h"
#include "support/Reporting.h"
#include "support/ProjectVersion.h"
#include "interp/Interpreter.h"
#include "interp/WordHelp.h"
#include "linalg/MemoryBudget.h"
#include "web/ConsoleBridge.h"
#include "web/LiveFigures.h"
#include "web/WebCanvas.h"
#if FLOCK_WEB_THREADS
#include <emscripten/stack.h>

#include "web/threads/CommandThread.h"
#endif

namespace {

using flock::web::LiveFigures;
using flock::web::WebCanvas;

constexpr int kCanvasWidth = 800;
constexpr int kCanvasHeight = 600;
// The agent whose interpreter the console speaks to.
constexpr std::size_t kConsoleAgent = 1;
// The budget leaves this much of the largest heap to the program itself.
constexpr std::int64_t kMegabyte = 1024 * 1024;
constexpr std::int64_t kHeapReserveMb = 192;
constexpr std::size_t kConsoleLineLimit = 2045;
constexpr std::string_view kErrorPrefix = "Error: ";
// The page's camera stays where the agents can be seen: the view ends 100 units away.
constexpr float kNearestCameraZ = -3.0f;
constexpr float kFarthestCameraZ = -90.0f;

#if FLOCK_WEB_ASYNCIFY
EM_ASYNC_JS(void, nextAnimationFrame, (), { await new Promise(resolve => requestAnimationFrame(resolve)); });
#endif

// On the page's own thread, whichever thread tells it; in order with the output.
void tellPage(const char* what, const char* text) {
    MAIN_THREAD_EM_ASM({ if (Module.onFlockEvent) Module.onFlockEvent(UTF8ToString($0), UTF8ToString($1)); }, what,
                       text);
}

// The page's program clock: the time of the frame being drawn, read from the browser
// once a frame. What a frame ages (the particles, the frame-rate count) sees one time,
// as a headless flight's frames do; reading the browser's clock is a round trip out of
// WebAssembly, and a frame would otherwise read it twice a particle.
class FrameClock : public flock::Clock {
public:
    flock::Milliseconds now() const override { return now_; }
    void tick() { now_ = steady_.now(); }

private:
    flock::SteadyClock steady_;
    flock::Milliseconds now_ = 0;
};

struct Page {
    FrameClock clock;
    flock::AppState app{clock};
    WebCanvas canvas;
    LiveFigures figures;
    flock::Flock* flock = nullptr;
    std::mutex linesLock;  // the typed lines come from the page's thread
    std::deque<std::string> lines;
    std::optional<flock::FlockChoice> restart;
    int restartSeed = -1;  // the new flight's random seed; -1 for none
    flock::WorldSettings world;  // for the next flight; noise also changes the flying one
    flock::FlockChoice flying;   // the flight's agents, sensors and world, and its seed (-1: none)
    int flyingSeed = -1;
    double lastFrameMs = 0;
    // The console speaks to a fresh interpreter of its own instead of agent 1's, where
    // the shipped scripts run as from a terminal; `freshWanted` takes effect between
    // commands (-1: no change).
    std::unique_ptr<flock::AgentInterpreter> fresh;
    int freshWanted = -1;
    std::atomic<bool> busy = false;
    bool firstFrameTold = false;
    double frameMsSum = 0;  // the simulation's part of the frames, without handing them to WebGL
    double drawingMsSum = 0;
    long frameCount = 0;
    long framesDrawn = 0;
};

Page* page = nullptr;

#if FLOCK_WEB_THREADS
flock::web::CommandThread commands;
#endif

// Whether the page's thread may act on the program now: always, unless a console command
// runs on the command thread and does not wait for a frame.
bool mainHasTurn() {
#if FLOCK_WEB_THREADS
    return commands.mainHasTurn();
#else
    return true;
#endif
}

// What the page asked for while a command held the program, done in the page's next turn.
constexpr std::size_t kDeferredLimit = 1024;
std::vector<std::function<void()>> deferred;

void whenMainHasTurn(std::function<void()> act) {
    if (mainHasTurn()) act();
    else if (deferred.size() < kDeferredLimit) deferred.push_back(std::move(act));
}

#if FLOCK_WEB_THREADS
void runDeferred() {
    std::vector<std::function<void()>> due;
    due.swap(deferred);
    for (auto& act : due) act();
}
#endif

// The console's words: the interpreter's, then the decision library's.
void flushOutput() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
}

// Makes the agents as chosen; the old ones are released first. On failure the page
// keeps no agents and says why.
void startFlock(const flock::FlockChoice& choice) {
    page->clock.tick();
    if (page->app.agents) page->app.agents->releaseAgents();
    page->app.agents = std::make_unique<flock::NoAgents>();
    page->flock = nullptr;
    page->figures.clear();
    page->app.particles.clear();
    page->flying = choice;
    try {
        auto made = flock::createProgramFlock(
            choice, [](std::unique_ptr<flock::AgentMind> mind) { return page->figures.watch(std::move(mind)); });
        page->flock = made.get();
        flock::startApp(page->app, [&](flock::AppState&) { return std::move(made); });
    } catch (const std::exception& failure) {
        std::cerr << "flock: " << failure.what() << '\n';
        page->app.agents = std::make_unique<flock::NoAgents>();
    }
    flushOutput();
}

// The longest stretch one frame counts as flight, s: a page in the background gets no
// frames, and its pause is no flight.
constexpr double kLongestFrameSeconds = 0.25;

void drawFrame() {
    const double start = emscripten_get_now();
    const double sinceLast = page->lastFrameMs > 0 ? (start - page->lastFrameMs) / 1000 : 0;
    page->lastFrameMs = start;
    page->clock.tick();
    flock::runLoopPass(page->app, page->canvas);
    page->app.cameraZ = std::clamp(page->app.cameraZ, kFarthestCameraZ, kNearestCameraZ);
    const double drawing = page->canvas.takeDrawingMs();
    page->frameMsSum += emscripten_get_now() - start - drawing;
    page->drawingMsSum += drawing;
    page->frameCount += 1;
    page->framesDrawn += 1;
    if (page->flock && !page->app.paused)
        page->figures.addFrame(page->flock->agents(), std::clamp(sinceLast, 0.0, kLongestFrameSeconds));
    flushOutput();
    if (!page->firstFrameTold) {
        page->firstFrameTold = true;
        tellPage("first-frame", "");
    }
}

// A "!" line: help on the words, as at tala's prompt.
void runSessionCommand(const std::string& line) {
    tala::interp::CommandTokenizer tokens = tala::interp::CommandTokenizer::forShellCommands();
    tokens.setText(line);
    const std::string command = tokens.token(0);
    if (command == "!help") std::cout << tala::interp::helpText(vex::talaWordGroups(), tokens.token(1));
    else std::cout << "Unknown '" << command << "': the console knows !help [WORD | PREFIX*].\n";
}

void runConsoleLine(std::string typed) {
    if (typed.size() > kConsoleLineLimit) {
        typed.resize(kConsoleLineLimit);
        std::cerr << "Line longer than " << kConsoleLineLimit << " characters: only the first " << kConsoleLineLimit
                  << " are used.\n";
    }
    const std::string command = tala::interp::normalizeCommandText(typed);
    if (command.empty()) return;
    if (command[0] == '!') {
        runSessionCommand(command);
        return;
    }
    flock::AgentMind* mind = page->fresh.get();
    if (!mind) {
        if (!page->flock || page->flock->agents().size() <= kConsoleAgent ||
            !page->flock->agents()[kConsoleAgent].mind) {
            std::cout << "Error: agent " << kConsoleAgent << " is not flying: choose at least two agents.\n";
            return;
        }
        mind = page->flock->agents()[kConsoleAgent].mind.get();
    }
    try {
        mind->runCommand(command);
    } catch (const std::exception& failure) {
        // As tala reports it, once: some failures already begin with "Error: ". The
        // flock flies on.
        const std::string_view text = failure.what();
        std::cout << (text.starts_with(kErrorPrefix) ? "" : kErrorPrefix) << text << "\n";
    } catch (...) {
        std::cout << "Error: the command failed without saying why.\n";
    }
}

void runConsoleLines() {
    for (;;) {
        std::string line;
        {
            // Busy as the line leaves the queue: a line is always queued or running.
            std::lock_guard<std::mutex> lock(page->linesLock);
            if (page->lines.empty()) return;
            line = std::move(page->lines.front());
            page->lines.pop_front();
            page->busy = true;
        }
        tellPage("busy", "1");
        support::discardStoppingKeys();
        runConsoleLine(line);
        support::discardStoppingKeys();
        flushOutput();
        page->busy = false;
        tellPage("busy", "0");
    }
}

void applyConsoleTarget() {
    if (page->freshWanted < 0 || page->busy) return;
    const bool wanted = page->freshWanted == 1;
    page->freshWanted = -1;
    page->fresh.reset();
    if (wanted) {
        page->fresh = std::make_unique<flock::AgentInterpreter>();
        std::cout << "A fresh interpreter, apart from the flock: scripts such as file train_flock.txt run here as "
                     "at a terminal.\n";
    } else {
        std::cout << "Back in agent " << kConsoleAgent << "'s interpreter.\n";
    }
    flushOutput();
}

void applyRestart() {
    if (!page->restart || page->busy) return;
    const flock::FlockChoice choice = *page->restart;
    page->restart.reset();
    if (page->restartSeed >= 0) std::srand(static_cast<unsigned>(page->restartSeed));
    startFlock(choice);
    page->flyingSeed = page->restartSeed;
}

#if FLOCK_WEB_THREADS
// The animation frame's pass of the threaded page.
void threadedPass() {
    // A command runs: the program is the command thread's.
    if (!mainHasTurn()) return;
    runDeferred();
    if (commands.frameWanted()) {
        drawFrame();
        commands.frameDrawn();
        return;
    }
    applyRestart();
    drawFrame();
    applyConsoleTarget();
    if (!commands.started()) {
        runConsoleLines();
        return;
    }
    std::lock_guard<std::mutex> lock(page->linesLock);
    if (!page->lines.empty()) commands.handOver();
}
#endif

}  // namespace

extern "C" {

// A key of the page (virtual-key code) went down (1) or up (0).
EMSCRIPTEN_KEEPALIVE void flock_key(int code, int down) {
    if (!page) return;
    whenMainHasTurn([code, down] {
        // R brings the camera back too, as well as the agents.
        if (down && code == 'R') page->app.cameraZ = flock::kStartCameraZ;
        if (down) page->app.keys.keyDown(code);
        else page->app.keys.keyUp(code);
    });
}

// A line typed into the console; run after the frame, in the order typed.
EMSCRIPTEN_KEEPALIVE void flock_console_line(const char* text) {
    if (!page || !text) return;
    std::lock_guard<std::mutex> lock(page->linesLock);
    if (page->lines.size() < 64) page->lines.emplace_back(text);
}

// A key typed into the console while a command runs (Ctrl-C as 3).
EMSCRIPTEN_KEEPALIVE void flock_console_key(int key) { flock::web::pushConsoleKey(key); }

// A new flight: `agents` agents with the sensors of choice `sensors` of
// flock_sensor_choices, from the random seed `seed` (-1: as it comes). Waits for a
// running command to finish, since the console's agent goes with the old flock.
EMSCRIPTEN_KEEPALIVE void flock_restart(int agents, int sensors, int seed) {
    if (!page) return;
    flock::FlockChoice choice;
    choice.agentCount = std::clamp(agents, 1, 256);
    int at = 0;
    for (const flock::SensorKind& kind : flock::kSensorKinds)
        if (kind.choice && at++ == sensors) choice.sensors = kind.source;
    choice.world = page->world;
    page->restart = choice;
    page->restartSeed = seed;
}

// The page's choices of sensors, one a line, the first the default.
EMSCRIPTEN_KEEPALIVE const char* flock_sensor_choices() {
    static std::string text;
    if (text.empty())
        for (const flock::SensorKind& kind : flock::kSensorKinds)
            if (kind.choice) text += std::string(kind.choice) + '\n';
    return text.c_str();
}

// The figures the page shows, one a line in flock_figures' order: "name scale digits unit".
EMSCRIPTEN_KEEPALIVE const char* flock_live_figures() {
    static std::string text;
    if (text.empty())
        for (const flock::FlightFigure& row : flock::kFlightFigures)
            if (row.live)
                text += std::string(row.name) + ' ' + flock::settingText(row.liveScale) + ' ' +
                        std::to_string(row.liveDigits) + ' ' + row.liveUnit + '\n';
    return text.c_str();
}

// The live figures since the last call, as flock::liveFigures writes them; nothing while
// a command holds the program (no frame is drawn then).
EMSCRIPTEN_KEEPALIVE const char* flock_figures() {
    static std::string text;
    text = page && mainHasTurn() ? page->figures.take() : "";
    return text.c_str();
}

// The world settings, one a line: "name default unit low high whole meaning".
EMSCRIPTEN_KEEPALIVE const char* flock_world_table() {
    static std::string text;
    if (text.empty())
        for (const flock::WorldSetting& row : flock::worldSettingTable())
            text += std::string(row.name) + ' ' + flock::settingText(row.defaultValue) + ' ' + row.unit + ' ' +
                    flock::settingText(row.low) + ' ' + flock::settingText(row.high) + ' ' + (row.whole ? "1 " : "0 ") +
                    row.meaning + '\n';
    return text.c_str();
}

// Sets a world setting for the next flight; the noise also in the flock that flies now.
// Answers why the value is refused, or nothing when it is taken.
EMSCRIPTEN_KEEPALIVE const char* flock_set_world(const char* name, double value) {
    static std::string problem;
    problem.clear();
    if (!page) return "";
    try {
        flock::setWorldSetting(page->world, name, value);
        if (std::string_view(name) == "noise")
            whenMainHasTurn([noise = page->world.noise] {
                page->flying.world.noise = noise;
                // From the flying flock's next steering step on.
                if (page->flock) {
                    flock::WorldSettings flying = page->flock->world();
                    flying.noise = noise;
                    page->flock->setWorld(flying);
                }
            });
    } catch (const std::exception& failure) {
        problem = failure.what();
    }
    return problem.c_str();
}

// The flying flock's settings that differ from the defaults, as the picture's title has them.
EMSCRIPTEN_KEEPALIVE const char* flock_world() {
    static std::string text;
    if (mainHasTurn()) text = page && page->flock ? flock::changedSettings(page->flock->world()) : "";
    return text.c_str();
}

// The agents flying now (as last seen, while a command holds the program).
EMSCRIPTEN_KEEPALIVE int flock_agent_count() {
    static int count = 0;
    if (mainHasTurn()) count = page && page->flock ? static_cast<int>(page->flock->agents().size()) : 0;
    return count;
}

// The figures of every second flown, as CSV.
EMSCRIPTEN_KEEPALIVE const char* flock_series_csv() {
    static std::string text;
    if (mainHasTurn()) text = page ? flock::web::seriesCsv(page->figures.series()) : "";
    return text.c_str();
}

// The flight so far as the desktop program's headless flight draws it: the paths, and
// the distance and polarisation over time.
EMSCRIPTEN_KEEPALIVE const char* flock_picture_svg() {
    static std::string text;
    if (!page) return "";
    if (!mainHasTurn()) return text.c_str();
    char title[160];
    std::snprintf(title, sizeof title, "%d agents, %.1f s on the web page, %s, %s", page->flying.agentCount,
                  page->figures.seconds(),
                  page->flyingSeed >= 0 ? ("seed " + std::to_string(page->flyingSeed)).c_str() : "any seed",
                  flock::sensorsTitle(page->flying).c_str());
    // The noise may have changed during the flight: the title gives the last settings.
    const std::string changed = flock::changedSettings(page->flying.world);
    text = flock::flightPicture(page->figures.record(), LiveFigures::kSamplesPerSecond,
                                std::string(title) + (changed.empty() ? "" : ", " + changed));
    return text.c_str();
}

// The console speaks to a new fresh interpreter (1) or to agent 1's (0), from the next
// command on.
EMSCRIPTEN_KEEPALIVE void flock_console_fresh(int fresh) {
    if (page) page->freshWanted = fresh ? 1 : 0;
}

// 1 while the flock is paused.
EMSCRIPTEN_KEEPALIVE int flock_paused() {
    static int paused = 1;
    if (mainHasTurn()) paused = !page || page->app.paused ? 1 : 0;
    return paused;
}

// 1 leaves out the decision library's chatter (per-decision lines, training's debug
// lines), as --quiet does; 0 brings it back.
EMSCRIPTEN_KEEPALIVE void flock_set_quiet(int quiet) {
    whenMainHasTurn([quiet] { support::setQuiet(quiet != 0); });
}

// The console's words, one a line, for Tab completion.
EMSCRIPTEN_KEEPALIVE const char* flock_words() {
    static std::string text;
    if (text.empty())
        for (const std::string& word : tala::interp::wordList(vex::talaWordGroups())) text += word + "\n";
    return text.c_str();
}

// The camera's distance along its axis (negative: the agents are ahead).
EMSCRIPTEN_KEEPALIVE double flock_camera_z() { return page ? page->app.cameraZ : 0; }

// Console lines typed and not yet run.
EMSCRIPTEN_KEEPALIVE int flock_queued() {
    if (!page) return 0;
    std::lock_guard<std::mutex> lock(page->linesLock);
    return static_cast<int>(page->lines.size());
}

// 1 while a console command runs.
EMSCRIPTEN_KEEPALIVE int flock_busy() { return page && page->busy ? 1 : 0; }

// The mean time of the frame loop's pass since the last call, ms: the simulation's
// part, and with `drawing` 1 the part that hands the frame to WebGL. Taking the
// simulation's part starts both afresh.
EMSCRIPTEN_KEEPALIVE double flock_frame_ms(int drawing) {
    if (!page || page->frameCount == 0) return 0;
    const double count = static_cast<double>(page->frameCount);
    if (drawing) return page->drawingMsSum / count;
    const double mean = page->frameMsSum / count;
    page->frameMsSum = 0;
    page->drawingMsSum = 0;
    page->frameCount = 0;
    return mean;
}

// Frames drawn since the page started.
EMSCRIPTEN_KEEPALIVE double flock_frames() { return page ? static_cast<double>(page->framesDrawn) : 0; }

}  // extern "C"

int main() {
    static Page thePage;
    page = &thePage;
    // The largest heap less a reserve: a command that asks for more is refused with the
    // budget's message instead of ending the page.
    linalg::setMemoryBudget((FLOCK_WEB_MAX_MEMORY_MB - kHeapReserveMb) * kMegabyte);
    if (chdir("/data") != 0) std::cerr << "flock: the page's data folder is missing\n";
    // The page draws its frames at the key polls between training's candidates, and it
    // has no threads to evaluate a batch on: one candidate at a time keeps it drawing.
    // Within an episode's steps it draws nothing, so no frame meets a decision maker there.
    vex::setBatchedTraining(false);
    vex::setPollsWithinSteps(false);
    // The page starts quiet: agent 1's per-decision line would rewrite the console
    // many times a second. The page's "verbose" switch turns the chatter back on.
    support::setQuiet(true);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    std::string problem;
    if (!page->canvas.open("#canvas", kCanvasWidth, kCanvasHeight, problem)) {
        std::cerr << "flock: " << problem << '\n';
        tellPage("failed", problem.c_str());
        return 1;
    }
    // The first frame before the agents are made (their setup scripts take most of the
    // page's start): the page starts paused, and paused agents are not drawn anyway.
    flock::startApp(page->app, [](flock::AppState&) { return std::make_unique<flock::NoAgents>(); });
    drawFrame();
#if FLOCK_WEB_ASYNCIFY
    nextAnimationFrame();
#endif
    startFlock(flock::FlockChoice{});
    // After the agents' start-up lines, so that it shows at the bottom of the console.
    std::cout << "tala " << support::kProjectVersion << " in agent " << kConsoleAgent
              << "'s interpreter: type !help for the words.\n"
              << "Agent 1 already holds its decision maker QDM: the shipped scripts (file train_flock.txt)\n"
              << "make their own, so run them in a fresh interpreter (the button above the console).\n";
#if !FLOCK_WEB_THREADS
    auto pass = [] {
        applyRestart();
        drawFrame();
        applyConsoleTarget();
        runConsoleLines();
    };
#endif
#if FLOCK_WEB_ASYNCIFY
    flock::web::setIdleHook([] {
        // Only a console command yields; the frame's own polls go on at once.
        if (!page->busy) return;
        nextAnimationFrame();
        drawFrame();
    });
    tellPage("ready", "");
    for (;;) {
        nextAnimationFrame();
        pass();
    }
#elif FLOCK_WEB_THREADS
    // A command thread with the main thread's stack, so that scripts nest as deep.
    const std::size_t stack = emscripten_stack_get_base() - emscripten_stack_get_end();
    if (!commands.start(runConsoleLines, stack))
        std::cerr << "flock: no command thread: a long console command holds the page until it ends\n";
    flock::web::setIdleHook([] {
        // A command's key poll waits for the frame; the frames' own polls go on at once.
        if (commands.onCommandThread()) commands.awaitFrame();
    });
    tellPage("ready", "");
    emscripten_set_main_loop(threadedPass, 0, false);
    return 0;
#else
    // Without Asyncify nothing yields inside a command: the browser calls each pass, and
    // a long command holds the page until it ends.
    tellPage("ready", "");
    emscripten_set_main_loop(pass, 0, false);
    return 0;
#endif
}
