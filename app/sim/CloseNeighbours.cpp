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
    const Agent& self = agents[index];
    const int h = reducedDegrees(self.heading);
    HeadingLine line{};
    bool lineKnown = false;  // most agents have no close neighbour: no sine to take
    for (std::size_t j = 0; j < agents.size() && !(wish.left && wish.right); ++j) {
        if (j == index) continue;
        const float dx = agents[j].x - self.x;
        const float dy = agents[j].y - self.y;
        if (!(dx * dx + dy * dy <= distanceSquared)) continue;
        if (!lineKnown) line = lineOf(h), lineKnown = true;
        int side = clearSide(line, dx, dy);
        if (side == 0) side = sideAwayFrom(dx, dy, h);
        if (side > 0) wish.right = true;
        if (side < 0) wish.left = true;
    }
}

}  // namespace flock
