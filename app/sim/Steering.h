#pragma once
// How an agent senses the others, thinks, turns and flies. Angles are degrees
// counter-clockwise from the x axis, handled as whole degrees where they are compared.

#include <cstddef>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentCommands.h"
#include "app/sim/WorldSettings.h"

namespace flock {

inline constexpr double kDegreesPerRadian = 57.29578;
inline constexpr double kRadiansPerDegree = 0.017453292;
// The frame rate at which the world's turn rate and speed are counted per frame: by
// default one frame turns 0.8 degrees and flies 0.01 units at it.
inline constexpr float kReferenceFrameRate = 720.0f;

inline const std::string kDecideCommand = agentCommandText(AgentCommand::Decide);
inline const std::string kThinkCommand = agentCommandText(AgentCommand::Think);
inline const std::string kStimulusCommandPrefix = agentCommandText(AgentCommand::Stimulus);

// Which way the agent wants to turn; both set means "keep on".
struct TurnWish {
    bool left = false;
    bool right = false;
};

// The shortest distance in whole degrees between two angles, 0 to 180.
int angleDistance(int a, int b);
// An angle truncated towards zero to whole degrees, then brought into [0, 360).
int reducedDegrees(double degrees);

// Separation from close neighbours, then alignment with the others' mean heading
// and cohesion towards their centre, each only while the wish is still undecided.
TurnWish senseOthers(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world = {});
class NeighbourGrid;
// Sums of x, y and heading over agents in index order, in single precision.
struct IndexOrderSums {
    float x = 0, y = 0, heading = 0;
    void add(const Agent& agent) {
        x += agent.x;
        y += agent.y;
        heading += agent.heading;
    }
};
// senseOthers, given the sums over agents 0 ... index - 1 as it makes them, with the
// close neighbours found by `grid` (built for this reach) when it is not null.
TurnWish senseOthersAfter(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world,
                          IndexOrderSums before, const NeighbourGrid* grid);
// Whether the agent's next steering step thinks: only then does it read what sensing gives.
inline bool thinksOnNextStep(const Agent& agent) {
    return agent.thinkPeriod > 0 && (agent.stepCounter + 1) % agent.thinkPeriod == 0;
}
// The steering step of steerAgent after sensing gave `wish`.
void stepAfterSensing(Agent& self, TurnWish wish, float framesPerSecond, const WorldSettings& world);
// One steering step of agent `index`: sense, think every thinkPeriod-th step,
// turn towards the target heading and fly, scaled by the frame rate.
void steerAgent(std::vector<Agent>& agents, std::size_t index, float framesPerSecond,
                const WorldSettings& world = {});
// Sends the stimulus, lets the mind think, and every thinks_per_decision-th time asks
// for a decision that sets the target heading (reading the odds first when watched).
// With noise, the target then moves by a uniform random turn drawn from rand();
// without, nothing is drawn.
void thinkAgent(Agent& agent, bool left, bool right, const WorldSettings& world = {});
// Turns the heading towards the target and moves one frame's distance along it.
void turnAndMove(Agent& agent, float framesPerSecond, const WorldSettings& world = {});

}  // namespace flock
