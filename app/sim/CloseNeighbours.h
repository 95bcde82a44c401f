#pragma once
// The side on which an agent's close neighbours lie, found without an arc tangent for
// all but the neighbours almost straight ahead or behind, where the whole-degree
// bearing decides.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
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


// The agents binned in square cells a little wider than the reach, so that every agent
// within reach of another lies in one of the nine cells around it. It answers what
// awayFromCloseNeighbours answers, testing only the agents of those cells with the same
// single-precision distance: an agent with a coordinate that is not finite is never
// within reach (the test fails for it either way) and is not binned. Kept up to date by
// move() after each agent's step.
class NeighbourGrid {
public:
    // Bins every agent for this squared reach; false, with nothing binned, for a reach
    // that cells cannot serve (not positive, not finite, or too small).
    bool build(const std::vector<Agent>& agents, float distanceSquared);
    // Agent `index` may have moved since it was binned.
    void move(const std::vector<Agent>& agents, std::size_t index);
    // awayFromCloseNeighbours of agent `index`, for the squared reach the grid was built for.
    void awayFromCloseNeighbours(const std::vector<Agent>& agents, std::size_t index, float distanceSquared,
                                 TurnWish& wish) const;

private:
    static constexpr std::uint64_t kNotBinned = ~std::uint64_t{0};
    std::uint64_t cellOf(float x, float y) const;
    std::uint64_t cellAt(std::int64_t column, std::int64_t row) const;

    double cellSize_ = 0;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
    std::vector<std::uint64_t> cellOfAgent_;
};

}  // namespace flock
