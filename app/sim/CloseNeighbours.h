#pragma once
// The side on which an agent's close neighbours lie, found without an arc tangent for
// all but the neighbours almost straight ahead or behind, where the whole-degree
// bearing decides.

#include <cstddef>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/Steering.h"

namespace flock {

// Marks in `wish` the side away from every other agent whose squared distance from agent
// `index` is at most `distanceSquared`: one on the left makes it want right. A neighbour
// whose whole-degree bearing is the agent's whole-degree heading, or its opposite, marks
// nothing. Once both sides are marked the rest cannot change the wish and are skipped.
void awayFromCloseNeighbours(const std::vector<Agent>& agents, std::size_t index, float distanceSquared,
                             TurnWish& wish);

// The side as the whole-degree angles decide it: +1 wants right, -1 left, 0 neither.
int sideAwayFrom(float dx, float dy, int heading);

}  // namespace flock
