#pragma once
// Plain records shared by the decision value types and the decision maker.
// They are copied by value.

#include <cstdint>
#include <string>
#include <vector>

namespace vex {

using Coordinates = std::vector<std::int32_t>;
using SensorNames = std::vector<std::string>;

// One weighted action: spaceIndex picks an action space, actionIndex a point in it.
struct DistributionEntry {
    std::int32_t actionIndex = 0;
    std::int32_t spaceIndex = 0;
    double weight = 0.0;
};

struct ActionPoint {
    std::string name;
    Coordinates coordinates;
};

// A stimulus sequence (mode 0 repeats it, 1 plays it once) with its target weights.
struct Rule {
    std::vector<SensorNames> sensorLists;
    std::int32_t mode = 0;
    std::vector<DistributionEntry> entries;
};

struct ActionSpace {
    std::vector<ActionPoint> points;
    std::vector<Coordinates> movementMap;
    std::int32_t gridSize = 1;
    bool resetDelta = true;

    // Number of coordinates of the first point; 0 without points.
    int dimensions() const { return points.empty() ? 0 : static_cast<int>(points.front().coordinates.size()); }
};

}  // namespace vex
