#include "app/Flock.h"

#include <cstdlib>

#include "app/AgentCommands.h"
#include "app/AgentDrawing.h"
#include "app/AppState.h"
#include "app/Steering.h"

namespace flock {

namespace {

// Three decimals in [0, 1) from the C generator.
float randomUnit() { return static_cast<float>(std::rand() % 1000) / 1000.0f; }

void startMind(Agent& agent, const std::string& setupScript) {
    runAgentCommand(agent, AgentCommand::Declare);
    runAgentCommand(agent, AgentCommand::Create);
    runAgentCommand(agent, AgentCommand::Setup, setupScript);
    runAgentCommand(agent, AgentCommand::Prepare);
}

}  // namespace

Flock::~Flock() { releaseAgents(); }

void Flock::steerAgent(std::size_t index, AppState& app) {
    flock::steerAgent(agents_, index, app.framesPerSecond);
}

void Flock::drawAgent(std::size_t index, AppState& app, Canvas& canvas) {
    flock::drawAgent(agents_[index], index, app, canvas);
}

AgentPosition Flock::agentPosition(std::size_t index) const {
    return {agents_[index].x, agents_[index].y};
}

void Flock::resetAgents() {
    for (Agent& agent : agents_) {
        agent.x = 0;
        agent.y = 0;
        agent.heading = static_cast<float>(std::rand() % 360);
        agent.targetHeading = agent.heading;
    }
}

void Flock::releaseAgents() {
    for (Agent& agent : agents_) {
        if (!agent.mind) continue;
        runAgentCommand(agent, AgentCommand::Release);
        agent.mind.reset();
    }
}

std::unique_ptr<Flock> createFlock(const MindFactory& makeMind, const std::string& setupScript) {
    std::vector<Agent> agents;
    agents.reserve(kAgentCount);
    for (int i = 0; i < kAgentCount; ++i) {
        Agent agent;
        float rx = randomUnit();
        float ry = randomUnit();
        float rh = randomUnit();
        agent.x = rx * 4 - 2;
        agent.y = ry * 4 - 2;
        agent.heading = rh;
        agent.targetHeading = agent.heading;
        agent.speed = 1;
        agent.mind = makeMind();
        startMind(agent, setupScript);
        agent.thinkCount = 0;
        // Random counters stagger the agents' thinking and trail dots over frames.
        agent.trailCounter = std::rand() % 10;
        agent.stepCounter = std::rand() % 100;
        agent.thinkPeriod = kThinkPeriod;
        agents.push_back(std::move(agent));
    }
    return std::make_unique<Flock>(std::move(agents));
}

}  // namespace flock
