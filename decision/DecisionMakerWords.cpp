// Commands that create, release, build and run a decision maker.

#include <iostream>
#include <string>

#include "decision/DecisionCall.h"
#include "decision/Notices.h"
#include "decision/QDM.h"
#include "decision/ValueTypes.h"
#include "interp/Interpreter.h"
#include "support/Reporting.h"
#include "qlang/RunShell.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

using tala::interp::Object;

bool word_qdm_new(DecisionCall& call) {
    // The one the value held is released for every copy of the value too.
    if (const auto value = call.decisionMakerValueArg(1)) value->makeNew();
    return true;
}

bool word_qdm_free(DecisionCall& call) {
    const auto value = call.decisionMakerValueArg(1);
    if (value && call.decisionMakerIn(*value, NoDecisionMaker::Notice)) value->release();
    return true;
}

bool word_qdm_apply_op(DecisionCall& call) {
    const auto decisionMaker = call.decisionMakerArg(1);
    if (decisionMaker == nullptr) return true;
    const std::string name = call.stringArg(2);
    const Sensor* sensor = decisionMaker->findSensor(name);
    if (sensor == nullptr)
        warnOnce(*decisionMaker, "vex::qdm::apply_op: no sensor '" + name + "'; the decision maker's sensors are: " +
                                     sensorNamesOf(*decisionMaker) + ".");
    else
        decisionMaker->applySensorOperator(sensor->unitary);  // what applyOp(name) does
    return true;
}

bool word_qdm_think(DecisionCall& call) {
    if (const auto decisionMaker = call.decisionMakerArg(1)) decisionMaker->think();
    return true;
}

bool word_qdm_prepare(DecisionCall& call) {
    if (const auto decisionMaker = call.decisionMakerArg(1)) decisionMaker->prepare();
    return true;
}

bool word_qdm_get_max_measure_time(DecisionCall& call) {
    if (const auto decisionMaker = call.decisionMakerArg(1))
        call.result.setInteger(decisionMaker->getMaxMeasureTime(call.integerArg(2)));
    return true;
}

// QDM SPACE, with a notice for a space the decision maker lacks; answer(qdm, space) decides.
template <class Answer>
bool decideIn(DecisionCall& call, Answer answer) {
    const auto decisionMaker = call.decisionMakerArg(1);
    if (decisionMaker == nullptr) return true;
    const std::int32_t space = call.integerArg(2);
    if (space < 0 || static_cast<std::size_t>(space) >= decisionMaker->actionSpaces.size())
        warnNoSuchSpace(call, *decisionMaker, space);
    answer(*decisionMaker, space);
    return true;
}

bool word_qdm_decide(DecisionCall& call) {
    return decideIn(call, [&](QDM& qdm, int space) { call.result.setInteger(space < 0 ? 0 : qdm.decide(space)); });
}

bool word_qdm_decide_str(DecisionCall& call) {
    return decideIn(call, [&](QDM& qdm, int space) { call.result.setString(space < 0 ? "" : qdm.decideName(space)); });
}

// vex::qdm::finalize QDM [memory size]: the memory size is read before the decision maker.
bool word_qdm_finalize(DecisionCall& call) {
    std::int32_t memory = 1;
    const Object size = call.valueArg(2);
    if (size.holds(tala::interp::ObjectType::Integer)) {
        memory = size.getInteger();
        if (memory < 1) {
            support::out() << "Warning: memorySize <= 0; setting memorySize = 1\n";
            memory = 1;
        }
    } else if (call.argumentCount() >= 2 && !(size.holds(tala::interp::ObjectType::String) && size.getString().empty())) {
        call.wrongType(2, "an integer", size, false, "the memory size is 1");
    }
    const auto decisionMaker = call.decisionMakerArg(1);
    if (decisionMaker == nullptr) return true;
    if (decisionMaker->finalized)
        support::warn("vex::qdm::finalize: the decision maker is already finalized; finalizing it again "
                           "builds a second system beside the first. Start a new one with vex::qdm::new.");
    if (decisionMaker->actionSpaces.empty())
        support::warn("vex::qdm::finalize: the decision maker has no action space, so there is nothing to "
                           "decide and the setup scripts fail; add one with vex::qdm::add_action_space first.");
    call.result.setInteger(decisionMaker->finalize(memory, call.interpreter.searchPath()) ? 1 : 0);
    return true;
}

bool word_qdm_add_action_space(DecisionCall& call) {
    const auto decisionMaker = call.decisionMakerArg(1, NoDecisionMaker::NullText);
    if (decisionMaker == nullptr) return true;
    if (decisionMaker->finalized)
        support::warn("vex::qdm::add_action_space: the decision maker is already finalized, so a space "
                           "added now is not part of its system, and finalizing again makes the system far "
                           "larger. To build another decision maker, run vex::qdm::new first.");
    for (int n = 2; n <= call.argumentCount(); ++n) {
        const Object argument = call.valueArg(n);
        if (isTrailingString(call, n, argument, "a vex::qdm::ActionSpace")) break;
        const auto spaceValue = call.userIn<ActionSpaceType>(
            argument, n, "vex::qdm::add_action_space syntax error: argument must be of type 'vex::qdm::ActionSpace'.\n");
        if (spaceValue == nullptr) break;
        decisionMaker->addActionSpace(spaceValue->space);
    }
    return true;
}

bool word_qdm_shell(DecisionCall& call) {
    const auto decisionMaker = call.decisionMakerArg(1, NoDecisionMaker::NullText);
    if (decisionMaker == nullptr) return true;
    qlang::runShell(*decisionMaker);
    return true;
}

constexpr CommandEntry kDecisionMakerWords[] = {
    {"vex::qdm::new", word_qdm_new, "QDM", "Creates a new, empty decision maker for the value QDM.",
     "vex::qdm::new (get QDM)"},
    {"vex::qdm::free", word_qdm_free, "QDM", "Tears down and releases the decision maker of QDM.",
     "vex::qdm::free (get QDM)"},
    {"vex::qdm::apply_op", word_qdm_apply_op, "QDM SENSOR", "Applies the decision maker's sensor SENSOR to its state.",
     "vex::qdm::apply_op (get QDM) center"},
    {"vex::qdm::think", word_qdm_think, "QDM", "One thinking step of the decision maker.",
     "vex::qdm::think (get QDM)"},
    {"vex::qdm::prepare", word_qdm_prepare, "QDM", "Prepares the decision maker's state and operators.",
     "vex::qdm::prepare (get QDM)"},
    {"vex::qdm::get_max_measure_time", word_qdm_get_max_measure_time, "QDM SPACE",
     "The longest measurement time of action space SPACE: half its grid size; 0 for no such space.",
     "print (vex::qdm::get_max_measure_time (get QDM) 0)"},
    {"vex::qdm::decide", word_qdm_decide, "QDM SPACE",
     "Measures action space SPACE and answers the index of the nearest action.",
     "print (vex::qdm::decide (get QDM) 0)"},
    {"vex::qdm::decide_str", word_qdm_decide_str, "QDM SPACE",
     "Measures action space SPACE and answers the name of the nearest action.",
     "print (vex::qdm::decide_str (get QDM) 0)"},
    {"vex::qdm::finalize", word_qdm_finalize, "QDM [MEMORY]",
     "Finalises the decision maker with a memory size (1 by default); 1 on success, else 0.",
     "vex::qdm::finalize (get QDM) 1"},
    {"vex::qdm::add_action_space", word_qdm_add_action_space, "QDM SPACE...",
     "Adds copies of the action spaces to the decision maker.", "vex::qdm::add_action_space (get QDM) space"},
    {"vex::qdm::shell", word_qdm_shell, "QDM",
     "Opens the typed language's shell on the decision maker's own variables, until exit.",
     "vex::qdm::shell (get QDM)"},
};

}  // namespace

CommandGroup decisionMakerWords() { return {"decision maker", kDecisionMakerWords}; }

}  // namespace vex
