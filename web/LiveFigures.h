#pragma once
// The figures under the page's canvas: how far the agents fly from their centre, how
// aligned they are (polarisation, 0 to 1), and the share of decisions that followed
// the stimulus before them, over the last few seconds of flight.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentMind.h"
#include "app/sim/ObservedMind.h"

namespace flock::web {

class LiveFigures {
public:
    // Wraps an agent's mind so that its stimuli and decisions are counted here.
    std::unique_ptr<AgentMind> watch(std::unique_ptr<AgentMind> mind);
    // Adds one frame of the agents' shape.
    void addFrame(const std::vector<Agent>& agents);
    // "distance polarisation following" as three numbers, following as a share (or -1
    // before any decision); then starts counting afresh.
    std::string take();
    // Forgets everything (a new flock).
    void clear();

private:
    std::vector<std::unique_ptr<MindLog>> logs_;
    double distanceSum_ = 0;
    double polarisationSum_ = 0;
    std::int64_t frames_ = 0;
};

}  // namespace flock::web
