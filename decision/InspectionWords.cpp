// Commands that show what a decision maker is made of and how often it obeys its rules.

#include <iostream>
#include <string>

#include "decision/DecisionCall.h"
#include "decision/Inspection.h"
#include "decision/Notices.h"
#include "decision/QDM.h"
#include "decision/ValueTypes.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

bool word_qdm_describe(DecisionCall& call) {
    if (const auto decisionMaker = call.decisionMakerArg(1)) describe(*decisionMaker, support::out());
    return true;
}

// vex::qdm::score QDM RULES TRIALS [STEPS]: STEPS defaults to the last training's steps, else 1.
bool word_qdm_score(DecisionCall& call) {
    const auto decisionMaker = call.decisionMakerArg(1);
    if (decisionMaker == nullptr) return true;
    // A value of another type gets the notice below; anything else is read as usual.
    const tala::interp::Object rules = call.valueArg(2);
    const auto set = rules.holds(tala::interp::ObjectType::UserType) ? userValue<TrainingSetType>(rules)
                                                                     : call.userIn<TrainingSetType>(rules, 2);
    if (set == nullptr) {
        support::warn("vex::qdm::score: the second argument must be a vex::TrainingSet (made with vex::add_rule).");
        return true;
    }
    const std::int32_t trials = call.integerArg(3);
    const int trained = decisionMaker->trainingHistory.repetitions;
    const bool stepsGiven = call.argumentCount() >= 4 && !call.arg(4).empty();
    const std::int32_t steps = stepsGiven ? call.integerArg(4) : (trained > 0 ? trained : 1);
    std::string problem;
    if (set->rules.empty()) problem = "the training set has no rules; add them with vex::add_rule";
    else if (trials <= 0) problem = "TRIALS must be 1 or more, not " + std::to_string(trials);
    else if (steps <= 0) problem = "STEPS must be 1 or more, not " + std::to_string(steps);
    else if (!decisionMaker->finalized) problem = "the decision maker is not finalized yet (vex::qdm::finalize)";
    if (!problem.empty()) {
        support::warn("vex::qdm::score: " + problem + "; nothing scored.");
        return true;
    }
    warnUnknownSensors("vex::qdm::score", *decisionMaker, set->rules);
    // Sensors loaded from a file keep no step count, and a training set holds none.
    if (!stepsGiven && trained <= 0)
        support::warn("vex::qdm::score: no STEPS given and the decision maker was not trained in this run, "
                           "so each trial takes 1 thinking step; give STEPS, the repetitions its sensors were "
                           "trained with, to score them as trained.");
    const auto scores = scoreRules(*decisionMaker, set->rules, trials, steps);
    printScores(*decisionMaker, set->rules, scores, trials, steps, support::out());
    return true;
}

constexpr CommandEntry kInspectionWords[] = {
    {"vex::qdm::describe", word_qdm_describe, "QDM",
     "Prints the memory size, each action space and sensor, the system size and whether the decision maker is "
     "finalized, prepared and trained.",
     "vex::qdm::describe (get QDM)"},
    {"vex::qdm::score", word_qdm_score, "QDM RULES TRIALS [STEPS]",
     "Plays each rule TRIALS times from the prepared state (STEPS stimuli and thinking steps, by default those of "
     "the last training) and prints how often each action was decided beside the intended weight.",
     "vex::qdm::score (get QDM) (get rules) 100"},
};

}  // namespace

CommandGroup inspectionWords() { return {"inspection", kInspectionWords}; }

}  // namespace vex
