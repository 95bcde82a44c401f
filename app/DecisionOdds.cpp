#include "app/DecisionOdds.h"

#include <exception>

#include "decision/QDM.h"

namespace flock {

void readDecisionOdds(Agent& agent) {
    agent.odds.known = false;
    vex::QDM* decisionMaker = agent.mind ? agent.mind->decisionMaker() : nullptr;
    if (!decisionMaker) return;
    DecisionOdds odds;
    try {
        for (std::size_t i = 0; i < kDecisionNames.size(); ++i) {
            int space = 0, action = 0;
            // The agent decides in space 0; a name found only elsewhere is no decision of its.
            if (!decisionMaker->findAction(kDecisionNames[i], space, action) || space != 0) return;
            odds.probability[i] = static_cast<float>(decisionMaker->actionProbability(0, action));
        }
    } catch (const std::exception&) {
        return;
    }
    odds.known = true;
    agent.odds = odds;
}

}  // namespace flock
