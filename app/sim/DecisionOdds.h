#pragma once
// The odds of an agent's next decision, read from its decision maker without a
// measurement: nothing in the state changes and no random number is drawn.

#include <array>

#include "app/sim/Agent.h"

namespace flock {

// The decisions of action space 0 that steer an agent, in the order of the odds.
inline constexpr std::array<const char*, 3> kDecisionNames = {"forward", "left", "right"};

// Sets agent.odds from the decision maker behind the agent's mind; unknown when it
// has none, lacks one of the decisions, or raises while computing.
void readDecisionOdds(Agent& agent);

}  // namespace flock
