#include "app/sim/CloseNeighbours.h"

#include <cmath>
#include <numbers>

namespace flock {

namespace {

// sin^2 of 3 degrees. The whole-degree bearing is within a degree of the true one, so a
// neighbour more than 3 degrees off the heading line (with room for rounding) lies on
// the same side by either measure.
constexpr double kClearSideSineSquared = 0.0027390523158633;

struct HeadingLine {
    double cosine;
    double sine;
};

HeadingLine lineOf(int heading) {
    const double radians = heading * (std::numbers::pi / 180.0);
    return {std::cos(radians), std::sin(radians)};
}

// +1 (right) or -1 (left) when the neighbour is clearly off the line; 0 when the
// whole degrees must decide.
int clearSide(const HeadingLine& line, double dx, double dy) {
    const double cross = line.cosine * dy - line.sine * dx;  // positive: on the left
    if (cross * cross <= kClearSideSineSquared * (dx * dx + dy * dy)) return 0;
    return cross > 0 ? 1 : -1;
}

// One agent's look at its neighbours, one at a time: sets the wish's side for each one
// within reach. The heading line is worked out at the first such neighbour only, as most
// agents have none and need no sine.
class NeighbourLook {
public:
    NeighbourLook(const Agent& self, float distanceSquared)
        : self_(self), heading_(reducedDegrees(self.heading)), distanceSquared_(distanceSquared) {}

    void consider(const Agent& other, TurnWish& wish) {
        const float dx = other.x - self_.x;
        const float dy = other.y - self_.y;
        if (!(dx * dx + dy * dy <= distanceSquared_)) return;
        if (!lineKnown_) line_ = lineOf(heading_), lineKnown_ = true;
        int side = clearSide(line_, dx, dy);
        if (side == 0) side = sideAwayFrom(dx, dy, heading_);
        if (side > 0) wish.right = true;
        if (side < 0) wish.left = true;
    }

private:
    const Agent& self_;
    int heading_;
    float distanceSquared_;
    HeadingLine line_{};
    bool lineKnown_ = false;
};

}  // namespace

int sideAwayFrom(float dx, float dy, int heading) {
    const int bearing = reducedDegrees(std::atan2(dy, dx) * kDegreesPerRadian);
    const int dMinus = angleDistance(bearing, heading - 1);
    const int dPlus = angleDistance(bearing, heading + 1);
    if (dPlus < dMinus) return 1;
    if (dPlus > dMinus) return -1;
    return 0;
}

void awayFromCloseNeighbours(const std::vector<Agent>& agents, std::size_t index, float distanceSquared,
                             TurnWish& wish) {
    NeighbourLook look(agents[index], distanceSquared);
    for (std::size_t j = 0; j < agents.size() && !(wish.left && wish.right); ++j)
        if (j != index) look.consider(agents[j], wish);
}

namespace {

// Cells this much wider than the reach: a pair that passes the single-precision test is
// within the reach to far better than this, and so in neighbouring cells.
constexpr double kCellMargin = 1.001;
constexpr double kSmallestCell = 1e-6;
// Cell numbers are kept within this; far-off agents share the outermost cells.
constexpr std::int64_t kLastCell = std::int64_t{1} << 30;

bool finite(const Agent& agent) { return std::isfinite(agent.x) && std::isfinite(agent.y); }

std::int64_t cellNumber(double coordinate, double cellSize) {
    const double cell = std::floor(coordinate / cellSize);
    if (cell < -static_cast<double>(kLastCell)) return -kLastCell;
    if (cell > static_cast<double>(kLastCell)) return kLastCell;
    return static_cast<std::int64_t>(cell);
}

}  // namespace

std::uint64_t NeighbourGrid::cellAt(std::int64_t column, std::int64_t row) const {
    const auto c = static_cast<std::uint64_t>(column + 2 * kLastCell);
    const auto r = static_cast<std::uint64_t>(row + 2 * kLastCell);
    return (c << 32) | r;
}

std::uint64_t NeighbourGrid::cellOf(float x, float y) const {
    return cellAt(cellNumber(x, cellSize_), cellNumber(y, cellSize_));
}

bool NeighbourGrid::build(const std::vector<Agent>& agents, float distanceSquared) {
    cells_.clear();
    cellOfAgent_.assign(agents.size(), kNotBinned);
    const double reach = std::sqrt(static_cast<double>(distanceSquared));
    if (!(distanceSquared > 0) || !std::isfinite(reach)) return false;
    cellSize_ = reach * kCellMargin;
    if (!(cellSize_ >= kSmallestCell) || !std::isfinite(cellSize_)) return false;
    for (std::size_t i = 0; i < agents.size(); ++i) {
        if (!finite(agents[i])) continue;
        cellOfAgent_[i] = cellOf(agents[i].x, agents[i].y);
        cells_[cellOfAgent_[i]].push_back(static_cast<std::uint32_t>(i));
    }
    return true;
}

void NeighbourGrid::move(const std::vector<Agent>& agents, std::size_t index) {
    const std::uint64_t now = finite(agents[index]) ? cellOf(agents[index].x, agents[index].y) : kNotBinned;
    const std::uint64_t before = cellOfAgent_[index];
    if (now == before) return;
    if (before != kNotBinned) {
        std::vector<std::uint32_t>& members = cells_[before];
        for (std::size_t m = 0; m < members.size(); ++m)
            if (members[m] == index) {
                members[m] = members.back();
                members.pop_back();
                break;
            }
        if (members.empty()) cells_.erase(before);
    }
    if (now != kNotBinned) cells_[now].push_back(static_cast<std::uint32_t>(index));
    cellOfAgent_[index] = now;
}

void NeighbourGrid::awayFromCloseNeighbours(const std::vector<Agent>& agents, std::size_t index,
                                            float distanceSquared, TurnWish& wish) const {
    const Agent& self = agents[index];
    if (!finite(self)) return;  // no distance from it passes the test
    NeighbourLook look(self, distanceSquared);
    const std::int64_t column = cellNumber(self.x, cellSize_);
    const std::int64_t row = cellNumber(self.y, cellSize_);
    for (std::int64_t c = column - 1; c <= column + 1; ++c)
        for (std::int64_t r = row - 1; r <= row + 1; ++r) {
            const auto cell = cells_.find(cellAt(c, r));
            if (cell == cells_.end()) continue;
            for (const std::uint32_t j : cell->second) {
                if (wish.left && wish.right) return;
                if (j != index) look.consider(agents[j], wish);
            }
        }
}

}  // namespace flock
