#pragma once
// The agents as the frame loop sees them. The loop steers and draws each agent in
// index order while running, resets them on R and releases them at shutdown.

#include <cstddef>
#include <memory>

namespace flock {

class Canvas;
struct AppState;

struct AgentPosition {
    float x = 0;
    float y = 0;
};

class AgentGroup {
public:
    virtual ~AgentGroup() = default;

    virtual std::size_t agentCount() const = 0;
    // Senses, maybe thinks, turns and moves agent `index`.
    virtual void steerAgent(std::size_t index, AppState& app) = 0;
    // Draws agent `index` (its colour follows the index) and may drop a trail dot.
    virtual void drawAgent(std::size_t index, AppState& app, Canvas& canvas) = 0;
    virtual AgentPosition agentPosition(std::size_t index) const = 0;
    // Key R: every agent back to the origin.
    virtual void resetAgents() = 0;
    // At shutdown: frees the decision makers and their interpreters.
    virtual void releaseAgents() = 0;
};

// A group with no agents.
class NoAgents : public AgentGroup {
public:
    std::size_t agentCount() const override { return 0; }
    void steerAgent(std::size_t, AppState&) override {}
    void drawAgent(std::size_t, AppState&, Canvas&) override {}
    AgentPosition agentPosition(std::size_t) const override { return {}; }
    void resetAgents() override {}
    void releaseAgents() override {}
};

}  // namespace flock
