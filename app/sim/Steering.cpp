#include "app/sim/Steering.h"

#include <cmath>
#include <cstdlib>

#include "app/sim/DecisionOdds.h"
#include "app/sim/CloseNeighbours.h"

namespace flock {

namespace {

int reduced(int degrees) {
    int r = degrees % 360;
    return r < 0 ? r + 360 : r;
}

int distanceFromZero(int reducedAngle) { return reducedAngle <= 180 ? reducedAngle : 360 - reducedAngle; }

// Sets the side on which `toward` lies as seen from heading h.
void leanTowards(TurnWish& wish, int toward, int h) {
    int dm = angleDistance(toward, h - 1);
    int dp = angleDistance(toward, h + 1);
    if (dp < dm) wish.left = true;
    if (dp > dm) wish.right = true;
}

int bearingDegrees(float dy, float dx) { return reducedDegrees(std::atan2(dy, dx) * kDegreesPerRadian); }

// Uniform in [-eta, eta), one draw of the C generator.
double noiseTurn(double eta) {
    const double unit = static_cast<double>(std::rand()) / (static_cast<double>(RAND_MAX) + 1.0);
    return (2 * unit - 1) * eta;
}

}  // namespace

int angleDistance(int a, int b) {
    int ra = reduced(a);
    int rb = reduced(b);
    int d = std::abs(ra - rb);
    if (d <= 180) return d;
    return distanceFromZero(ra) + distanceFromZero(rb);
}

int reducedDegrees(double degrees) {
    // A broken value must not reach the integer conversion.
    if (!std::isfinite(degrees)) return 0;
    return reduced(static_cast<int>(std::fmod(std::trunc(degrees), 360.0)));
}

TurnWish senseOthers(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world) {
    IndexOrderSums before;
    for (std::size_t j = 0; j < index; ++j) before.add(agents[j]);
    return senseOthersAfter(agents, index, world, before, nullptr);
}

TurnWish senseOthersAfter(const std::vector<Agent>& agents, std::size_t index, const WorldSettings& world,
                          IndexOrderSums before, const NeighbourGrid* grid) {
    // Compared in single precision as the positions are: the default distance squares to 2.
    const auto closeSquared = static_cast<float>(world.neighbourDistance * world.neighbourDistance);
    const Agent& self = agents[index];
    TurnWish wish;
    if (grid != nullptr) grid->awayFromCloseNeighbours(agents, index, closeSquared, wish);
    else awayFromCloseNeighbours(agents, index, closeSquared, wish);
    // The means are over every other agent, summed in index order: those before this one
    // are in `before`, the rest follow.
    IndexOrderSums sums = before;
    for (std::size_t j = index + 1; j < agents.size(); ++j) sums.add(agents[j]);
    if (agents.size() < 2) return wish;  // no others: no mean to follow

    float others = static_cast<float>(agents.size() - 1);
    float meanX = sums.x / others;
    float meanY = sums.y / others;
    float meanHeading = sums.heading / others;
    int h = reducedDegrees(self.heading);

    if (wish.left == wish.right) {
        int mh = reducedDegrees(meanHeading);
        if (angleDistance(mh, h) > world.alignmentThreshold) leanTowards(wish, mh, h);
    }
    if (wish.left == wish.right) {
        int c = bearingDegrees(meanY - self.y, meanX - self.x);
        if (angleDistance(c, h) > world.cohesionThreshold) leanTowards(wish, c, h);
    }
    return wish;
}

void steerAgent(std::vector<Agent>& agents, std::size_t index, float framesPerSecond, const WorldSettings& world) {
    stepAfterSensing(agents[index], senseOthers(agents, index, world), framesPerSecond, world);
}

void stepAfterSensing(Agent& self, TurnWish wish, float framesPerSecond, const WorldSettings& world) {
    const bool thinks = thinksOnNextStep(self);
    self.stepCounter += 1;
    if (thinks) thinkAgent(self, wish.left, wish.right, world);
    turnAndMove(self, framesPerSecond, world);
}

void thinkAgent(Agent& agent, bool left, bool right, const WorldSettings& world) {
    const char* stimulus = left == right ? "center" : (left ? "left" : "right");
    runAgentCommand(agent, AgentCommand::Stimulus, stimulus);
    runAgentCommand(agent, AgentCommand::Think);

    agent.thinkCount += 1;
    if (agent.thinkCount < world.thinksPerDecision) return;
    agent.thinkCount = 0;
    if (agent.watchOdds) readDecisionOdds(agent);
    std::string decision;
    const bool answered = askAgentMind(agent, AgentCommand::Decide, decision);
    if (agent.mind) agent.mind->decided(stimulus, answered ? &decision : nullptr);
    if (!answered) return;
    const auto turn = static_cast<float>(world.decisionTurn);
    if (decision == "forward") agent.targetHeading = agent.heading;
    else if (decision == "left") agent.targetHeading = agent.heading + turn;
    else if (decision == "right") agent.targetHeading = agent.heading - turn;
    else return;
    if (world.noise > 0) agent.targetHeading += static_cast<float>(noiseTurn(world.noise));
}

void turnAndMove(Agent& agent, float framesPerSecond, const WorldSettings& world) {
    int t = reducedDegrees(agent.targetHeading);
    agent.targetHeading = static_cast<float>(t);
    int h = reducedDegrees(agent.heading);
    agent.heading = static_cast<float>(h);
    // Without a measured rate there is no step to take.
    if (!(framesPerSecond > 0) || !std::isfinite(framesPerSecond)) return;

    float fpsScale = framesPerSecond / kReferenceFrameRate;
    double turn = world.turnRate / kReferenceFrameRate / fpsScale;
    int dm = angleDistance(t, h - 1);
    int dp = angleDistance(t, h + 1);
    // A turn larger than what is left lands on the target instead of swinging past it.
    bool reaches = angleDistance(t, h) <= turn;
    if (dp < dm) agent.heading = reaches ? static_cast<float>(t) : static_cast<float>(h + turn);
    if (dp > dm) agent.heading = reaches ? static_cast<float>(t) : static_cast<float>(h - turn);

    double r = agent.heading * kRadiansPerDegree;
    double step = agent.speed * (world.speed / kReferenceFrameRate) / fpsScale;
    agent.x = static_cast<float>(agent.x + std::cos(r) * step);
    agent.y = static_cast<float>(agent.y + std::sin(r) * step);
}

}  // namespace flock
