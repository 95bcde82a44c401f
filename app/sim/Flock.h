#pragma once
// The program's agents: made with their minds at start-up, steered and drawn by
// the frame loop, reset by R, released at shutdown.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/AgentGroup.h"
#include "app/sim/FrameSensing.h"

namespace flock {

inline constexpr const char* kSetupScript = "vex_flock_setup.txt";

using MindFactory = std::function<std::unique_ptr<AgentMind>()>;

// How the agents are made.
struct FlockStart {
    int agentCount = kAgentCount;
    // Read from the working directory by every agent's interpreter.
    std::string setupScript = kSetupScript;
    WorldSettings world;  // the rules every agent steers by
    std::vector<std::string> scriptFolders;  // given to every interpreter's path before the setup
    // Runs on each agent right after its start-up commands (agent index second). It may
    // raise to stop: the agents made so far are then released.
    std::function<void(Agent&, std::size_t)> afterStart;
};

class Flock : public AgentGroup {
public:
    explicit Flock(std::vector<Agent> agents) : agents_(std::move(agents)) {}
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

    // Changing the agents' places through this between two steering steps of one frame
    // needs forgetSensing() before the next step.
    std::vector<Agent>& agents() { return agents_; }
    void forgetSensing() { sensing_.forget(); }
    const WorldSettings& world() const { return world_; }
    // The rules from the next steering step on, for a flock already flying.
    void setWorld(const WorldSettings& world);

private:
    std::vector<Agent> agents_;
    WorldSettings world_;
    FrameSensing sensing_;  // carried from agent to agent within a frame
};

// The agents at random places near the origin, each with a new mind that has run the
// start-up commands: a global QDM, a new decision maker, the setup script, and the
// preparation.
std::unique_ptr<Flock> createFlock(const MindFactory& makeMind, const FlockStart& start = {});

}  // namespace flock
