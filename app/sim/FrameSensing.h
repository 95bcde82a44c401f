#pragma once
// Sensing over a whole frame, agent after agent (see FrameSensing below).

#include <cstddef>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/CloseNeighbours.h"
#include "app/sim/Steering.h"
#include "app/sim/WorldSettings.h"

namespace flock {

// What a frame's sensing carries from one agent to the next while the agents are steered
// in index order, each once, as a frame steers them: the sums over the agents already
// steered (they do not move again this frame), and, for a large flock, the agents binned
// by place. Each agent then senses exactly what senseOthers gives, with the same
// single-precision sums in the same order, at the cost of the agents after it instead
// of all of them; a step that does not think reads no wish and senses nothing. Any
// other order, a step that did not finish, another flock size or other rules start
// afresh from the agents as they are.
class FrameSensing {
public:
    // Flocks of at least this many agents test distances through the grid.
    static constexpr std::size_t kGridAgents = 48;

    // One steering step as steerAgent takes it.
    void steer(std::vector<Agent>& agents, std::size_t index, float framesPerSecond, const WorldSettings& world);
    // The agents have moved or changed otherwise: the next step starts afresh.
    void forget() { next_ = kNone; }

private:
    static constexpr std::size_t kNone = ~std::size_t{0};
    // What agent `index` senses; nothing when not `wanted`, with the sums and the grid
    // carried on all the same.
    TurnWish sense(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world, bool wanted);

    std::size_t next_ = kNone;  // the index whose sums are held
    std::size_t count_ = 0;
    float distanceSquared_ = 0;
    float sumX_ = 0, sumY_ = 0, sumHeading_ = 0;  // over agents 0 ... next_ - 1, in order
    bool gridBuilt_ = false;
    NeighbourGrid grid_;
};

}  // namespace flock
