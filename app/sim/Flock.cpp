#include "app/sim/Flock.h"

#include <algorithm>
#include <cstdlib>

#include "app/sim/AgentCommands.h"
#include "app/sim/AgentDrawing.h"
#include "app/sim/AppState.h"
#include "app/sim/Steering.h"

namespace flock {

namespace {

// Three decimals in [0, 1) from the C generator.
float randomUnit() { return static_cast<float>(std::rand() % 1000) / 1000.0f; }

void startMind(Agent& agent, const FlockStart& start) {
    runAgentCommand(agent, AgentCommand::Declare);
    runAgentCommand(agent, AgentCommand::Create);
    for (const std::string& folder : start.scriptFolders) runAgentCommand(agent, "path " + folder);
    runAgentCommand(agent, AgentCommand::Setup, start.setupScript);
    runAgentCommand(agent, AgentCommand::Prepare);
}

}  // namespace

Flock::~Flock() { releaseAgents(); }

void Flock::steerAgent(std::size_t index, AppState& app) {
    Agent& agent = agents_[index];
    agent.watchOdds = app.showMinds;
    // Odds from before the overlay was last hidden would be stale.
    if (!app.showMinds) agent.odds.known = false;
    sensing_.steer(agents_, index, app.framesPerSecond, world_);
}

void Flock::setWorld(const WorldSettings& world) {
    world_ = world;
    sensing_.forget();
    for (Agent& agent : agents_) agent.thinkPeriod = static_cast<std::int32_t>(world.thinkPeriod);
}

void Flock::drawAgent(std::size_t index, AppState& app, Canvas& canvas) {
    flock::drawAgent(agents_[index], index, app, canvas);
    if (app.showMinds) drawDecisionOdds(agents_[index], canvas);
}

AgentPosition Flock::agentPosition(std::size_t index) const {
    return {agents_[index].x, agents_[index].y};
}

void Flock::resetAgents() {
    sensing_.forget();
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

std::unique_ptr<Flock> createFlock(const MindFactory& makeMind, const FlockStart& start) {
    // Each agent joins the flock before its start-up, so that a failure part way
    // through releases every decision maker made so far.
    auto flock = std::make_unique<Flock>(std::vector<Agent>{});
    std::vector<Agent>& agents = flock->agents();
    agents.reserve(static_cast<std::size_t>(std::max(start.agentCount, 0)));
    for (int i = 0; i < start.agentCount; ++i) {
        Agent& agent = agents.emplace_back();
        float rx = randomUnit();
        float ry = randomUnit();
        float rh = randomUnit();
        agent.x = rx * 4 - 2;
        agent.y = ry * 4 - 2;
        agent.heading = rh;
        agent.targetHeading = agent.heading;
        agent.speed = 1;
        agent.mind = makeMind();
        startMind(agent, start);
        if (start.afterStart) start.afterStart(agent, agents.size() - 1);
        agent.thinkCount = 0;
        // Random counters stagger the agents' thinking and trail dots over frames.
        agent.trailCounter = std::rand() % 10;
        agent.stepCounter = std::rand() % 100;
    }
    flock->setWorld(start.world);
    return flock;
}

}  // namespace flock
