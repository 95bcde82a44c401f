#pragma once
// The figures under the page's canvas: how far the agents fly from their centre, how
// aligned they are (polarisation, 0 to 1), and the share of decisions that followed
// the stimulus before them, over the last few seconds of flight. Also kept for the
// downloads: the figures of every second of flight, and the flight's paths and
// figures over time as the headless flight's picture draws them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentMind.h"
#include "app/sim/HeadlessFlight.h"
#include "app/sim/ObservedMind.h"

namespace flock::web {

class LiveFigures {
public:
    // Samples a second of the kept figures over time; the picture's time axis.
    static constexpr int kSamplesPerSecond = 10;
    // What is kept is bounded: so many samples (six hours of flight), seconds of the
    // series, and points of all the paths together (each path is halved, every other
    // point dropped, when its share is full).
    static constexpr std::size_t kSampleLimit = 6 * 3600 * kSamplesPerSecond;
    static constexpr std::size_t kPathPointLimit = std::size_t{1} << 21;

    // Wraps an agent's mind so that its stimuli and decisions are counted here.
    std::unique_ptr<AgentMind> watch(std::unique_ptr<AgentMind> mind);
    // Adds one frame of the agents' shape, `seconds` of flight after the one before.
    void addFrame(const std::vector<Agent>& agents, double seconds = 0);
    // The figures the page shows (liveFigures: "distance polarisation following", following
    // as a share or -1 before any decision); then starts counting afresh.
    std::string take();
    // Forgets everything (a new flock).
    void clear();

    // Seconds flown so far.
    double seconds() const { return flown_; }
    // One row a whole second of flight, with the figures of that second.
    const std::vector<FlightFigures>& series() const { return series_; }
    // The flight so far as the headless flight records it, sampled kSamplesPerSecond
    // times a second, with its paths: for flightPicture.
    const FlightRecord& record() const { return record_; }

private:
    void drainLogs();
    void closeSample();
    void keepPositions(const std::vector<Agent>& agents);

    std::vector<std::unique_ptr<MindLog>> logs_;
    FlightFigures live_;  // since take()
    // What is kept for the downloads.
    double flown_ = 0;
    FlightFigures second_;  // the second being flown
    FlightFigures sample_;  // the sample being flown
    std::vector<FlightFigures> series_;
    FlightRecord record_;
    std::size_t pathStride_ = 1;  // samples between kept path points
    std::size_t samplesSincePoint_ = 0;
};

// The series as CSV, in the columns of a headless flight's --series: "run,time" and the
// figures' names, then one row a second of flight with the figures of that second, at
// full precision.
std::string seriesCsv(const std::vector<FlightFigures>& seconds);

}  // namespace flock::web

