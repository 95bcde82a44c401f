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

// The odds bars: yellow, which nothing else in the scene uses; one bar per decision
// (forward, left, right) to the right of the agent, in scene units.
inline constexpr Color kOddsColor = {1, 1, 0, 1};
inline constexpr float kOddsLeft = 0.8f;      // from the agent's x to the first bar
inline constexpr float kOddsBottom = -0.6f;   // from the agent's y to the bars' foot
inline constexpr float kOddsBarWidth = 0.22f;
inline constexpr float kOddsBarGap = 0.1f;
inline constexpr float kOddsFullHeight = 1.2f;  // a probability of 1

// Index 1 blue, 2 green, 3 red, every other index white.
Color agentColor(std::size_t index);
void drawAgent(Agent& agent, std::size_t index, AppState& app, Canvas& canvas);
// Three outlines of full height, filled to the agent's odds once it has decided
// with the odds watched; the colour is set back to opaque white.
void drawDecisionOdds(const Agent& agent, Canvas& canvas);

}  // namespace flock
