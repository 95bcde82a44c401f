#include "app/sim/AgentDrawing.h"

#include <algorithm>
#include <cmath>

#include "app/sim/Agent.h"
#include "app/sim/AppState.h"
#include "app/sim/Canvas.h"
#include "app/sim/Particles.h"
#include "app/sim/Steering.h"

namespace flock {

namespace {

struct Point2 {
    float x, y;
};

Point2 offsetAlong(const Agent& agent, double degrees, float distance) {
    double r = degrees * kRadiansPerDegree;
    return {static_cast<float>(agent.x + std::cos(r) * distance),
            static_cast<float>(agent.y + std::sin(r) * distance)};
}

void line(Canvas& canvas, Point2 from, Point2 to) { canvas.drawLine(from.x, from.y, 0, to.x, to.y, 0); }

}  // namespace

Color agentColor(std::size_t index) {
    switch (index) {
        case 1: return {0, 0, 1, 1};
        case 2: return {0, 1, 0, 1};
        case 3: return {1, 0, 0, 1};
        default: return {1, 1, 1, 1};
    }
}

void drawAgent(Agent& agent, std::size_t index, AppState& app, Canvas& canvas) {
    agent.trailCounter += 1;
    if (agent.trailCounter >= kDrawsPerTrailDot) {
        agent.trailCounter = 0;
        dropTrailDot(app, agent.x, agent.y);
    }

    Point2 leftWing = offsetAlong(agent, agent.heading + 90.0, kWingOffset);
    Point2 rightWing = offsetAlong(agent, agent.heading - 90.0, kWingOffset);
    Point2 nose = offsetAlong(agent, agent.heading, kNoseOffset);

    Color color = agentColor(index);
    canvas.setColor(color.red, color.green, color.blue, color.alpha);
    line(canvas, leftWing, rightWing);
    line(canvas, rightWing, nose);
    line(canvas, nose, leftWing);
    canvas.setColor(1, 1, 1, 1);
}

void drawDecisionOdds(const Agent& agent, Canvas& canvas) {
    canvas.setColor(kOddsColor.red, kOddsColor.green, kOddsColor.blue, kOddsColor.alpha);
    const float bottom = agent.y + kOddsBottom;
    const float top = bottom + kOddsFullHeight;
    for (std::size_t i = 0; i < agent.odds.probability.size(); ++i) {
        const float left = agent.x + kOddsLeft + static_cast<float>(i) * (kOddsBarWidth + kOddsBarGap);
        const float right = left + kOddsBarWidth;
        line(canvas, {left, bottom}, {right, bottom});
        line(canvas, {right, bottom}, {right, top});
        line(canvas, {right, top}, {left, top});
        line(canvas, {left, top}, {left, bottom});
        if (!agent.odds.known) continue;
        const float share = std::clamp(agent.odds.probability[i], 0.0f, 1.0f);
        if (share > 0) canvas.fillRect(left, bottom, right, bottom + share * kOddsFullHeight);
    }
    canvas.setColor(1, 1, 1, 1);
}

}  // namespace flock
