#pragma once
// The program's agents: made with their minds at start-up, steered and drawn by
// the frame loop, reset by R, released at shutdown.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentGroup.h"

namespace flock {

inline constexpr const char* kSetupScript = "vex_flock_setup.txt";

using MindFactory = std::function<std::unique_ptr<AgentMind>()>;

// How the agents are made.
struct FlockStart {
    int agentCount = kAgentCount;
    // Read from the working directory by every agent's interpreter.
    std::string setupScript = kSetupScript;
    WorldSettings world;  // the rules every agent steers by
    // Runs on each agent right after its start-up commands (agent index second). It may
    // raise to stop: the agents made so far are then released.
    std::function<void(Agent&, std::size_t)> afterStart;
};

class Flock : public AgentGroup {
public:
    explicit Flock(std::vector<Agent> agents, WorldSettings world = {})
        : agents_(std::move(agents)), world_(world) {}
    // Releases whatever has not been released, so no decision maker is left behind.
    ~Flock() override;

    std::size_t agentCount() const override { return agents_.size(); }
    // Steers as the rules say; with the minds shown, the agent reads its odds first.
    void steerAgent(std::size_t index, AppState& app) override;
    // The agent, and its odds when the minds are shown.
    void drawAgent(std::size_t index, AppState& app, Canvas& canvas) override;
    AgentPosition agentPosition(std::size_t index) const override;
    // Every agent to the origin with a random whole-degree heading; minds untouched.
    void resetAgents() override;
    // Each mind frees its decision maker, then is destroyed.
    void releaseAgents() override;

    std::vector<Agent>& agents() { return agents_; }
    const WorldSettings& world() const { return world_; }

private:
    std::vector<Agent> agents_;
    WorldSettings world_;
};

// The agents at random places near the origin, each with a new mind that has run the
// start-up commands: a global QDM, a new decision maker, the setup script, and the
// preparation.
std::unique_ptr<Flock> createFlock(const MindFactory& makeMind, const FlockStart& start = {});

}  // namespace flock
