#pragma once
// Looking at a decision maker: what it is made of, and how often it obeys its rules.

#include <iosfwd>
#include <string>
#include <vector>

#include "decision/QDM.h"
#include "decision/Records.h"

namespace vex {

// A rule as a person reads it: its stimuli and its intended actions,
// "hot -> go", "once hot, cold -> go 0.5, stay 0.5".
std::string ruleLabel(const QDM& decisionMaker, const Rule& rule);

// Memory size, each action space, each sensor with its size, the system size, and
// whether it is finalized, prepared and trained (with the best fitness).
void describe(const QDM& decisionMaker, std::ostream& out);

// How often each action was decided when a rule was played.
struct RuleScore {
    int space = 0;
    std::vector<int> decided;  // per action point of the space
};

// Plays each rule `trials` times as training evaluates it: from the prepared state,
// `steps` times the rule's stimuli and a thinking step, then a decision in each space its
// distribution names (space 0 when it names none). One score per rule and space.
std::vector<std::vector<RuleScore>> scoreRules(QDM& decisionMaker, const std::vector<Rule>& rules, int trials,
                                               int steps);

// The table of those scores beside each rule's intended distribution.
void printScores(const QDM& decisionMaker, const std::vector<Rule>& rules,
                 const std::vector<std::vector<RuleScore>>& scores, int trials, int steps, std::ostream& out);

}  // namespace vex
