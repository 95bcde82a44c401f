// The frame of bench/bench_flock.cpp's BM_FlockFrame, built as the page is but run by
// Node.js: the flock's agents with their interpreters, steered and drawn on no canvas,
// the clock moved by hand. For comparing builds of the page (compiler options, the
// allocator, Asyncify's lists) without the browser, its GL and its timers: it prints
// the least mean frame over a few batches, and a digest of where the agents ended up,
// which two builds that compute alike print alike. With `odds` every agent reads its
// decision odds before it decides, as under the page's D, and the digest takes them in
// too (the decision maker's arithmetic, not only the paths it led to).
//   node flock_frame_bench.js AGENTS FRAMES BATCHES DATA_DIR [odds]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/sim/AgentInterpreter.h"
#include "app/sim/AppState.h"
#include "app/sim/Flock.h"
#include "app/sim/HeadlessFlight.h"
#include "app/sim/Particles.h"
#include "bench/BenchSupport.h"

namespace {

// FNV-1a over the bits of floats.
struct Digest {
    std::uint64_t hash = 14695981039346656037ull;
    void add(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((bits >> shift) & 0xff)) * 1099511628211ull;
    }
    void addPlaces(const std::vector<flock::Agent>& agents) {
        for (const flock::Agent& agent : agents) {
            add(agent.x);
            add(agent.y);
            add(agent.heading);
            add(agent.targetHeading);
        }
    }
    void addOdds(const std::vector<flock::Agent>& agents) {
        for (const flock::Agent& agent : agents)
            if (agent.odds.known)
                for (float p : agent.odds.probability) add(p);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && !(argc == 6 && std::strcmp(argv[5], "odds") == 0)) {
        std::cerr << "usage: flock_frame_bench AGENTS FRAMES BATCHES DATA_DIR [odds]\n";
        return 2;
    }
    const int agentCount = std::atoi(argv[1]);
    const int frames = std::atoi(argv[2]);
    const int batches = std::atoi(argv[3]);
    const bool odds = argc == 6;
    try {
        std::filesystem::current_path(argv[4]);
        double least = 0;
        Digest digest;
        {
            bench::QuietOutput quiet;
            std::srand(1);
            flock::ManualClock clock;
            flock::AppState app(clock);
            app.paused = false;
            app.framesPerSecond = 60;
            app.showMinds = odds;
            flock::NullCanvas canvas;
            flock::FlockStart start;
            start.agentCount = agentCount;
            auto agents = flock::createFlock([] { return std::make_unique<flock::AgentInterpreter>(); }, start);
            for (int batch = 0; batch < batches; ++batch) {
                const auto begin = std::chrono::steady_clock::now();
                for (int frame = 0; frame < frames; ++frame) {
                    flock::updateParticles(app, canvas);
                    for (std::size_t i = 0; i < agents->agentCount(); ++i) {
                        agents->steerAgent(i, app);
                        agents->drawAgent(i, app, canvas);
                    }
                    clock.advance(16);
                    if (odds) digest.addOdds(agents->agents());
                }
                const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
                const double mean = took.count() / frames;
                if (batch == 0 || mean < least) least = mean;
            }
            digest.addPlaces(agents->agents());
            agents->releaseAgents();
        }
        std::printf("%d agents: least mean frame %.4f ms over %d batches of %d frames; digest %016llx\n", agentCount,
                    least, batches, frames, static_cast<unsigned long long>(digest.hash));
    } catch (const std::exception& failure) {
        std::cerr << "flock_frame_bench: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}
