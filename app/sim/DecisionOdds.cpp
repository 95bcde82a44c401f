#include "app/sim/DecisionOdds.h"

#include "decision/SteeringQuestions.h"

namespace flock {

void readDecisionOdds(Agent& agent) {
    agent.odds.known = false;
    const vex::HeldDecisionMaker* decisionMaker = agent.mind ? agent.mind->decisionMaker() : nullptr;
    if (!decisionMaker) return;
    const auto odds = decisionMaker->actionOdds(kDecisionNames);
    if (!odds) return;
    for (std::size_t i = 0; i < kDecisionNames.size(); ++i) agent.odds.probability[i] = static_cast<float>((*odds)[i]);
    agent.odds.known = true;
}

}  // namespace flock
