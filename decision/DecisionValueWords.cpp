// Commands that build distributions, sensor lists, states and training sets.

#include <iostream>
#include <memory>

#include "decision/DecisionCall.h"
#include "decision/QDM.h"
#include "decision/ValueTypes.h"
#include "decision/Notices.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

using tala::interp::Object;
using tala::interp::ObjectType;

// vex::dist weight space action ... : one entry per complete triple.
bool word_dist(DecisionCall& call) {
    auto distribution = std::make_unique<DistributionType>();
    // A single argument is never evaluated.
    if (call.argumentCount() != 1)
        for (int n = 1; n + 2 <= call.argumentCount(); n += 3) {
            DistributionEntry entry;
            entry.weight = call.weightArg(n);
            entry.spaceIndex = call.integerArg(n + 1);
            entry.actionIndex = call.integerArg(n + 2);
            distribution->entries.push_back(entry);
        }
    call.result.setUserObject(std::move(distribution));
    return true;
}

// vex::dist_str QDM weight name ... : actions given by name.
bool word_dist_str(DecisionCall& call) {
    auto distribution = std::make_unique<DistributionType>();
    if (call.argumentCount() == 1) {
        call.result.setUserObject(std::move(distribution));
        return true;
    }
    const auto value =
        call.userArg<QDMType>(1, "vex::dist_str syntax error (first argument must be of type vex::QDM).\n");
    if (value == nullptr) return false;
    const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Notice);
    if (decisionMaker == nullptr) return false;
    bool complete = true;
    for (int n = 2; n + 1 <= call.argumentCount(); n += 2) {
        DistributionEntry entry;
        entry.weight = call.weightArg(n);
        const std::string name = call.stringArg(n + 1);
        int space = 0, action = 0;
        if (!decisionMaker->findAction(name, space, action)) {
            support::out() << "Error: action '" << name << "' not defined.\n";
            support::warn("vex::dist_str: the decision maker's actions are: " + actionNamesOf(*decisionMaker) +
                               ".");
            complete = false;
            break;
        }
        entry.spaceIndex = space;
        entry.actionIndex = action;
        distribution->entries.push_back(entry);
    }
    // Weights and names come in pairs after the decision maker; a last one alone is left out.
    if (complete && call.argumentCount() % 2 == 0)
        support::warn("vex::dist_str: '" + call.arg(call.argumentCount()) +
                           "' has no partner and is left out; give WEIGHT ACTION-NAME pairs. The decision "
                           "maker's actions are: " + actionNamesOf(*decisionMaker) + ".");
    call.result.setUserObject(std::move(distribution));
    return true;
}

bool word_SensorList(DecisionCall& call) {
    auto list = std::make_unique<SensorListType>();
    for (int n = 1; n <= call.argumentCount(); ++n) list->sensors.push_back(call.stringArg(n));
    call.result.setUserObject(std::move(list));
    return true;
}

// vex::State repeat|single list ... : a stimulus sequence.
bool word_State(DecisionCall& call) {
    if (call.argumentCount() == 0) {
        support::out() << "Error: Arguments for vex::State are MODE:STRING {vex::SensorList}^*\n";
        support::noteProblem();
        return false;
    }
    const Object mode = call.valueArg(1);
    if (!mode.holds(ObjectType::String) || (mode.getString() != "repeat" && mode.getString() != "single")) {
        call.wrongType(1, "repeat or single", mode);
        return false;
    }
    auto state = std::make_unique<StateType>();
    if (mode.getString() == "repeat") state->mode = 0;
    else if (mode.getString() == "single") state->mode = 1;
    else return false;
    for (int n = 2; n <= call.argumentCount(); ++n) {
        const auto list = call.userArg<SensorListType>(n);
        if (list == nullptr) return false;
        state->sensorLists.push_back(list->sensors);
    }
    call.result.setUserObject(std::move(state));
    return true;
}

// vex::add_rule set state distribution : a new set with one more rule.
bool word_add_rule(DecisionCall& call) {
    const auto set = call.userArg<TrainingSetType>(1);
    const auto state = set ? call.userArg<StateType>(2) : nullptr;
    const auto distribution = state ? call.userArg<DistributionType>(3) : nullptr;
    if (distribution == nullptr) {
        call.complain("vex::add_rule syntax error.\n");
        return false;
    }
    auto extended = std::make_unique<TrainingSetType>();
    extended->rules = set->rules;
    extended->rules.push_back(Rule{state->sensorLists, state->mode, distribution->entries});
    call.result.setUserObject(std::move(extended));
    return true;
}

constexpr CommandEntry kValueWords[] = {
    {"vex::dist", word_dist, "WEIGHT SPACE ACTION...",
     "A distribution with one entry per complete triple of weight, space index and action index.",
     "print (vex::dist 0.5 0 1 0.25 1 2)", tala::interp::kAnyArguments},
    {"vex::dist_str", word_dist_str, "QDM WEIGHT ACTION-NAME...",
     "A distribution whose actions are named, looked up in the decision maker's action spaces.",
     "vex::dist_str (get QDM) 1.0 forward", {1, tala::interp::kUnbounded}},
    {"vex::SensorList", word_SensorList, "SENSOR...", "A list of sensor names.",
     "vex::SensorList center left"},
    {"vex::State", word_State, "repeat|single SENSOR-LIST...",
     "A stimulus sequence of sensor lists, repeated or applied once.",
     "vex::State repeat (vex::SensorList center)", tala::interp::kAnyArguments},
    {"vex::add_rule", word_add_rule, "TRAINING-SET STATE DISTRIBUTION",
     "A new training set: the given set's rules and one more rule of the state and the distribution.",
     "set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList left)) (vex::dist_str "
     "(get QDM) 1.0 left))"},
};

}  // namespace

CommandGroup valueWords() { return {"values", kValueWords}; }

}  // namespace vex
