#include "decision/DecisionCall.h"

#include "decision/Notices.h"
#include "decision/ValueTypes.h"
#include "support/Failure.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace vex {

using tala::interp::Object;
using tala::interp::ObjectType;

namespace {

// What a command says of a value without a live decision maker.
constexpr const char* kNoDecisionMakerText = "vex::QDM = NULL; make sure to vex::qdm::new first.";

}  // namespace

double DecisionCall::weightArg(int n) const {
    const Object value = valueArg(n);
    if (value.holds(ObjectType::Double)) return value.getDouble();
    if (!value.holds(ObjectType::Integer)) wrongType(n, "a number", value, true);
    return value.getInteger();
}

std::shared_ptr<QDMType> DecisionCall::decisionMakerValueArg(int n, const char* ending) const {
    const Object argument = valueArg(n);
    // A decision-maker value, as nearly every call has it, needs no complaint text.
    if (std::shared_ptr<QDMType> value = userValue<QDMType>(argument)) return value;
    return userIn<QDMType>(argument, n, word() + " syntax error: first argument must be of type 'vex::QDM'" + ending);
}

std::shared_ptr<QDM> DecisionCall::decisionMakerArg(int n, NoDecisionMaker missing) const {
    const std::shared_ptr<QDMType> value = decisionMakerValueArg(n);
    return value ? decisionMakerIn(*value, missing) : nullptr;
}

std::shared_ptr<QDM> DecisionCall::decisionMakerIn(const QDMType& value, NoDecisionMaker missing) const {
    std::shared_ptr<QDM> decisionMaker = value.decisionMaker();
    if (decisionMaker) return decisionMaker;
    switch (missing) {
        case NoDecisionMaker::Notice: warnNoDecisionMaker(*this); break;
        case NoDecisionMaker::NullText: complain(std::string("Error: ") + kNoDecisionMakerText + "\n"); break;
        case NoDecisionMaker::Raise: throw support::Failure(kNoDecisionMakerText);
    }
    return nullptr;
}

void DecisionCall::complain(std::string_view text) {
    support::out() << text;
    support::noteProblem();
}

bool isTrailingString(const DecisionCall& call, int n, const Object& value, std::string_view wanted) {
    if (n != call.argumentCount() || !value.holds(ObjectType::String)) return false;
    if (!value.getString().empty()) call.wrongType(n, wanted, value, false, "as the last argument it is ignored");
    return true;
}

}  // namespace vex
