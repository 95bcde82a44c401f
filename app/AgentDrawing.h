#pragma once
// An agent on screen: a triangle outline in its index colour, and a trail dot
// every few draws.

#include <cstddef>

namespace flock {

class Canvas;
struct Agent;
struct AppState;

struct Color {
    float red, green, blue, alpha;
};

inline constexpr float kWingOffset = 0.175f;
inline constexpr float kNoseOffset = 0.875f;

// Index 1 blue, 2 green, 3 red, every other index white.
Color agentColor(std::size_t index);
void drawAgent(Agent& agent, std::size_t index, AppState& app, Canvas& canvas);

}  // namespace flock
