#pragma once
// Notices on standard error for a misuse of a decision maker, each naming what the
// decision maker does know, so that a misspelt sensor, action or space is found at
// once. They go through support::warn, which counts them as problems of the run.

#include <string>
#include <vector>

namespace vex {

class QDM;
struct DecisionCall;
struct Rule;

// "hot, cold"; "none" when there are none.
std::string sensorNamesOf(const QDM& decisionMaker);
// Every action of every space, in order; "none" when there are none.
std::string actionNamesOf(const QDM& decisionMaker);
// "0 (go, stay), 1 (up, down)"; "none" when there are none.
std::string spaceNamesOf(const QDM& decisionMaker);

// The notice the first time this decision maker meets it; later, the problem is only
// counted, so that an agent repeating a mistake at every step does not flood the console.
void warnOnce(QDM& decisionMaker, const std::string& text);

// WORD: rule R names no sensor 'NAME', with the sensors there are; one notice per name.
void warnUnknownSensors(const std::string& word, const QDM& decisionMaker, const std::vector<Rule>& rules);

// WORD: ARGUMENT has no decision maker (never made, or freed).
void warnNoDecisionMaker(const DecisionCall& call);
// WORD: no action space SPACE, with the spaces there are.
void warnNoSuchSpace(const DecisionCall& call, QDM& decisionMaker, int space);

}  // namespace vex
