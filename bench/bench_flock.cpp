// The flock without a window: one frame of eight agents with their decision makers
// (the baseline flies the same agents without minds, so the difference is the
// decision makers' share), and the start-up of eight agents up to the first frame.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

#include "app/AgentInterpreter.h"
#include "app/AppState.h"
#include "app/Flock.h"
#include "app/HeadlessFlight.h"
#include "bench/BenchSupport.h"

namespace {

using bench::QuietOutput;


// The setup script and the files it reads are found from the working directory.
void enterDataDirectory() {
    static const bool entered = [] {
        std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path().parent_path() / "data");
        return true;
    }();
    (void)entered;
}

std::unique_ptr<flock::AgentMind> realMind() { return std::make_unique<flock::AgentInterpreter>(); }
std::unique_ptr<flock::AgentMind> noMind() { return nullptr; }

// Steers and draws every agent and ages the particles, as a running frame does.
void flyOneFrame(flock::Flock& agents, flock::AppState& app, flock::Canvas& canvas, flock::ManualClock& clock) {
    flock::updateParticles(app, canvas);
    for (std::size_t i = 0; i < agents.agentCount(); ++i) {
        agents.steerAgent(i, app);
        agents.drawAgent(i, app, canvas);
    }
    clock.advance(16);
}

void flyFrames(benchmark::State& state, const flock::MindFactory& makeMind) {
    enterDataDirectory();
    QuietOutput quiet;
    std::srand(1);
    flock::ManualClock clock;
    flock::AppState app(clock);
    app.paused = false;
    app.framesPerSecond = 60;
    flock::NullCanvas canvas;
    auto agents = flock::createFlock(makeMind);
    for (auto _ : state) flyOneFrame(*agents, app, canvas, clock);
    state.SetItemsProcessed(state.iterations());  // frames
    agents->releaseAgents();
}

void BM_FlockFrame(benchmark::State& state) { flyFrames(state, realMind); }
void BM_FlockFrame_Baseline(benchmark::State& state) { flyFrames(state, noMind); }

// Eight agents, each finalising its decision maker, then the first frame.
void BM_FlockStartup(benchmark::State& state) {
    enterDataDirectory();
    QuietOutput quiet;
    std::srand(1);
    for (auto _ : state) {
        flock::ManualClock clock;
        flock::AppState app(clock);
        app.paused = false;
        app.framesPerSecond = 60;
        flock::NullCanvas canvas;
        auto agents = flock::createFlock(realMind);
        for (int i = 0; i < flock::kBackgroundParticleCount; ++i) flock::createBackgroundParticle(app);
        flyOneFrame(*agents, app, canvas, clock);
        state.PauseTiming();
        agents.reset();
        state.ResumeTiming();
    }
}

// How the flock flies over 60 simulated seconds at 60 frames per second, with the
// shipped trained sensors (argument 0) or with untrained random ones (argument 1):
// mean distance from the centre, polarisation (length of the mean unit heading) and
// the share of decisions that followed the stimulus before them.
void BM_FlightFigures(benchmark::State& state) {
    enterDataDirectory();
    const bool randomSensors = state.range(0) == 1;
    std::string setup = flock::kSetupScript;
    if (randomSensors) {
        setup = (std::filesystem::temp_directory_path() / "flock_random_sensors_setup.txt").string();
        std::ofstream(setup) << "begin (file flock_decision_maker.txt) (vex::add_sensor (get QDM) center)"
                                " (vex::add_sensor (get QDM) left) (vex::add_sensor (get QDM) right)\n";
    }
    flock::FlightReport report;
    for (auto _ : state) {
        QuietOutput quiet;
        std::srand(1);
        flock::FlightSettings settings;
        settings.setupScript = setup;
        report = flock::flyHeadless(settings);
    }
    if (randomSensors) std::filesystem::remove(setup);
    state.counters["distance"] = report.meanDistanceFromCentre;
    state.counters["polarisation"] = report.meanPolarisation;
    state.counters["following"] =
        report.decisions > 0 ? static_cast<double>(report.matches) / static_cast<double>(report.decisions) : 0;
}

BENCHMARK(BM_FlockFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockFrame_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockStartup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlightFigures)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
