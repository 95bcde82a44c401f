#include "app/sim/HeadlessFlight.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

#include "app/sim/AppState.h"
#include "app/sim/FrameLoop.h"
#include "app/sim/ObservedMind.h"
#include "app/sim/Steering.h"

namespace flock {

namespace {

double share(double part, double whole) { return whole > 0 ? part / whole : 0.0; }

}  // namespace

FrameShape measureFrame(const std::vector<Agent>& agents) {
    FrameShape shape;
    double cx = 0, cy = 0, hx = 0, hy = 0;
    for (const Agent& agent : agents) {
        shape.finite = shape.finite && std::isfinite(agent.x) && std::isfinite(agent.y) &&
                       std::isfinite(agent.heading) && std::isfinite(agent.targetHeading);
        cx += agent.x;
        cy += agent.y;
        double r = agent.heading * kRadiansPerDegree;
        hx += std::cos(r);
        hy += std::sin(r);
    }
    double n = static_cast<double>(agents.size());
    cx /= n;
    cy /= n;
    for (const Agent& agent : agents) shape.distanceFromCentre += std::hypot(agent.x - cx, agent.y - cy);
    shape.distanceFromCentre /= n;
    shape.polarisation = std::hypot(hx / n, hy / n);
    return shape;
}

double FlightFigures::meanDistance() const { return share(distanceSum, static_cast<double>(frames)); }
double FlightFigures::meanPolarisation() const { return share(polarisationSum, static_cast<double>(frames)); }
double FlightFigures::followingShare() const {
    return share(static_cast<double>(following), static_cast<double>(decisions));
}
bool FlightFigures::finite() const { return std::isfinite(distanceSum) && std::isfinite(polarisationSum); }

FlightFigures frameFigures(const FrameShape& shape, double endSeconds) {
    FlightFigures figures;
    figures.endSeconds = endSeconds;
    figures.frames = 1;
    figures.distanceSum = shape.distanceFromCentre;
    figures.polarisationSum = shape.polarisation;
    return figures;
}

const FlightFigure kFlightFigures[kFigureCount] = {
    {"distance", 10, "%10.3f", "%.3f", false, "distance", false, "mean distance from the centroid",
     "distance from centroid %.2f", [](const FlightFigures& f) { return f.meanDistance(); }, 0, INFINITY,
     "distance from 0", [](const FlightFigures& f) { return f.meanDistance(); }, 1, 2, "units"},
    {"polarisation", 13, "%13.3f", "%.3f", false, "polarisation", true, "polarisation",
     "polarisation %.2f", [](const FlightFigures& f) { return f.meanPolarisation(); }, 0, 1, "polarisation 0 to 1",
     [](const FlightFigures& f) { return f.meanPolarisation(); }, 1, 2, ""},
    {"following", 10, "%9.1f%%", "%.1f", false, "following %", true, "decisions following their stimulus",
     "decisions following their stimulus %.1f%%", [](const FlightFigures& f) { return 100 * f.followingShare(); },
     0, 100, "following 0 to 100 %", [](const FlightFigures& f) { return f.decisions > 0 ? f.followingShare() : -1; },
     100, 0, "%"},
    {"decisions", 10, "%10.0f", "%.0f", true, nullptr, false, "decisions", "%.0f decisions",
     [](const FlightFigures& f) { return static_cast<double>(f.decisions); }, 0, INFINITY, "", nullptr, 0, 0, ""},
    {"failures", 9, "%9.0f", "%.0f", true, nullptr, false, "command failures", "%.0f command failures",
     [](const FlightFigures& f) { return static_cast<double>(f.failures); }, 0, INFINITY, "", nullptr, 0, 0, ""},
};

FigureValues valuesOf(const FlightFigures& figures) {
    FigureValues values{};
    for (std::size_t i = 0; i < kFigureCount; ++i) values[i] = kFlightFigures[i].of(figures);
    return values;
}

void FlightFigures::add(const FlightFigures& other) {
    endSeconds = other.endSeconds;
    frames += other.frames;
    distanceSum += other.distanceSum;
    polarisationSum += other.polarisationSum;
    decisions += other.decisions;
    following += other.following;
    failures += other.failures;
}

std::int64_t flightFrames(double seconds, int framesPerSecond) {
    // A hair below a whole frame still counts as that frame, not one more.
    const double frames = std::ceil(seconds * framesPerSecond - 1e-9);
    return frames < 1 ? 1 : static_cast<std::int64_t>(frames);
}

FlightRecord flyHeadless(const FlightSettings& settings) {
    std::srand(settings.seed);
    ManualClock clock;
    AppState app(clock);
    app.paused = false;
    app.framesPerSecond = static_cast<float>(settings.framesPerSecond);
    app.showMinds = settings.watchOdds;

    const auto agentCount = static_cast<std::size_t>(settings.flock.agentCount);
    std::vector<MindLog> logs(agentCount);
    std::size_t made = 0;
    Flock* flock = nullptr;
    startApp(app, [&](AppState&) {
        auto created = createProgramFlock(settings.flock, [&](std::unique_ptr<AgentMind> inner) {
            return std::make_unique<ObservedMind>(std::move(inner), logs[made++]);
        });
        flock = created.get();
        return created;
    });
    std::vector<Agent>& agents = flock->agents();

    FlightRecord record;
    const std::int64_t frames = flightFrames(settings.seconds, settings.framesPerSecond);
    const double fps = settings.framesPerSecond;
    record.distance.reserve(static_cast<std::size_t>(frames));
    record.polarisation.reserve(static_cast<std::size_t>(frames));
    if (settings.keepPaths) record.paths.assign(agentCount, {});
    std::vector<DecisionRow> before(settings.keepDecisions ? agentCount : 0);
    FlightFigures period;
    NullCanvas canvas;
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        for (std::size_t i = 0; i < before.size(); ++i)
            before[i] = {frame, i, agents[i].x, agents[i].y, agents[i].heading, {}, {}};

        advanceScene(app, canvas);

        const FrameShape shape = measureFrame(agents);
        record.allFinite = record.allFinite && shape.finite;
        record.distance.push_back(shape.distanceFromCentre);
        record.polarisation.push_back(shape.polarisation);
        FlightFigures figures = frameFigures(shape, static_cast<double>(frame + 1) / fps);
        for (std::size_t i = 0; i < agentCount; ++i) {
            MindLog& log = logs[i];
            figures.failures += std::exchange(log.failures, 0);
            if (record.firstFailure.empty()) record.firstFailure = log.firstFailure;
            if (settings.keepPaths) record.paths[i].push_back({agents[i].x, agents[i].y});
            if (!std::exchange(log.decided, false)) continue;
            figures.decisions += 1;
            if (decisionFollows(log.stimulus, log.decision)) figures.following += 1;
            if (!log.decision.empty()) record.answered += 1;
            if (!settings.keepDecisions) continue;
            DecisionRow& row = record.decisions.emplace_back(before[i]);
            row.stimulus = log.stimulus;
            row.decision = log.decision;
        }
        record.whole.add(figures);
        period.add(figures);
        if (settings.periodFrames > 0 && (period.frames == settings.periodFrames || frame + 1 == frames)) {
            if (settings.onPeriod) settings.onPeriod(period);
            period = {};
        }
        // Whole milliseconds on the program clock, without drift.
        clock.set(static_cast<Milliseconds>(std::llround(static_cast<double>(frame + 1) * 1000.0 / fps)));
    }
    app.agents->releaseAgents();
    return record;
}

}  // namespace flock
