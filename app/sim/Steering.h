#pragma once
// How an agent senses the others, thinks, turns and flies. Angles are degrees
// counter-clockwise from the x axis, handled as whole degrees where they are compared.

#include <cstddef>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentCommands.h"

namespace flock {

inline constexpr double kDegreesPerRadian = 57.29578;
inline constexpr double kRadiansPerDegree = 0.017453292;
// The frame rate at which one frame turns 0.8 degrees and flies 0.01 units.
inline constexpr float kReferenceFrameRate = 720.0f;
inline constexpr double kTurnPerReferenceFrame = 0.8;     // 576 degrees a second
inline constexpr double kFlightPerReferenceFrame = 0.01;  // 7.2 units a second at speed 1
inline constexpr float kCloseNeighbourDistanceSquared = 2.0f;
inline constexpr int kAlignmentThreshold = 10;
inline constexpr int kCohesionThreshold = 20;
inline constexpr float kDecisionTurn = 20.0f;

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
TurnWish senseOthers(const std::vector<Agent>& agents, std::size_t index);
// One steering step of agent `index`: sense, think every thinkPeriod-th step,
// turn towards the target heading and fly, scaled by the frame rate.
void steerAgent(std::vector<Agent>& agents, std::size_t index, float framesPerSecond);
// Sends the stimulus, lets the mind think, and every fourth time asks for a
// decision that sets the target heading (reading the odds first when watched).
void thinkAgent(Agent& agent, bool left, bool right);
// Turns the heading towards the target and moves one frame's distance along it.
void turnAndMove(Agent& agent, float framesPerSecond);

}  // namespace flock
