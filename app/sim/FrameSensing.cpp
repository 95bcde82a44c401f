#include "app/sim/FrameSensing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flock {

namespace {

// More cells than this under the flock's bounding box: a uniform flock would leave a
// ninth of a quarter of the flock in each cell around an agent.
constexpr double kManyCells = 36;

bool spreadOverManyCells(const std::vector<Agent>& agents, float distanceSquared) {
    const double reach = std::sqrt(static_cast<double>(distanceSquared));
    if (!(reach > 0) || !std::isfinite(reach)) return false;
    float left = std::numeric_limits<float>::infinity(), right = -left, bottom = left, top = -left;
    for (const Agent& agent : agents) {
        if (!std::isfinite(agent.x) || !std::isfinite(agent.y)) continue;
        left = std::min(left, agent.x), right = std::max(right, agent.x);
        bottom = std::min(bottom, agent.y), top = std::max(top, agent.y);
    }
    if (!(left <= right)) return false;
    const double cells = (1 + (static_cast<double>(right) - left) / reach) * (1 + (static_cast<double>(top) - bottom) / reach);
    return cells > kManyCells;
}

}  // namespace

TurnWish FrameSensing::sense(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world,
                             bool wanted) {
    const auto distanceSquared = static_cast<float>(world.neighbourDistance * world.neighbourDistance);
    const bool sameDistance = distanceSquared == distanceSquared_ ||
                              (distanceSquared != distanceSquared && distanceSquared_ != distanceSquared_);
    // Every place is as the grid has it after the step before this one in index order,
    // or after the last step of a whole frame when this one starts the next.
    const bool placesKnown = count_ == agents.size() && sameDistance &&
                             (next_ == index || (index == 0 && next_ == count_));
    if (!placesKnown) {
        count_ = agents.size();
        distanceSquared_ = distanceSquared;
        gridBuilt_ = false;
    }
    // Each frame decides afresh whether the grid pays: only a flock spread over many cells
    // leaves the nine cells around an agent with few of the others. A close flock is
    // faster tested agent by agent, where the test stops at the first neighbours found
    // on both sides.
    if (index == 0 || !placesKnown) {
        const bool useGrid = agents.size() >= kGridAgents && spreadOverManyCells(agents, distanceSquared);
        if (!useGrid) gridBuilt_ = false;
        else if (!gridBuilt_) gridBuilt_ = grid_.build(agents, distanceSquared);
    }
    if (!placesKnown || next_ != index) {
        // The sums over the agents before this one, as they are now.
        IndexOrderSums before;
        for (std::size_t j = 0; j < index; ++j) before.add(agents[j]);
        sumX_ = before.x, sumY_ = before.y, sumHeading_ = before.heading;
    }
    // A step that does not think reads no wish: the means over the agents after this
    // one, the costly part of a large flock's frame, are left out.
    if (!wanted) return {};
    IndexOrderSums before;
    before.x = sumX_, before.y = sumY_, before.heading = sumHeading_;
    return senseOthersAfter(agents, index, world, before, gridBuilt_ ? &grid_ : nullptr);
}

void FrameSensing::steer(std::vector<Agent>& agents, std::size_t index, float framesPerSecond,
                         const WorldSettings& world) {
    // A step after one that did not finish starts afresh.
    const TurnWish wish = sense(agents, index, world, thinksOnNextStep(agents[index]));
    next_ = kNone;  // until this step has finished
    stepAfterSensing(agents[index], wish, framesPerSecond, world);
    // This agent does not move again this frame: it joins the sums of those before the next.
    IndexOrderSums sums;
    sums.x = sumX_, sums.y = sumY_, sums.heading = sumHeading_;
    sums.add(agents[index]);
    sumX_ = sums.x, sumY_ = sums.y, sumHeading_ = sums.heading;
    if (gridBuilt_) grid_.move(agents, index);
    next_ = index + 1;
}

}  // namespace flock
