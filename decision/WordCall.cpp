#include "decision/WordCall.h"

#include <iostream>

#include "decision/Lifetime.h"
#include "decision/ValueTypes.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace vex {

using tala::interp::Object;
using tala::interp::ObjectType;

double WordCall::weightArg(int n) const {
    const Object value = valueArg(n);
    if (value.holds(ObjectType::Double)) return value.getDouble();
    return value.getInteger();
}

QDMType* WordCall::qdmArg(int n, Object& holder) const {
    holder = valueArg(n);
    tala::interp::UserObject& value = holder.getUserObject();
    if (value.typeName() != kQDMTypeName) return nullptr;
    return dynamic_cast<QDMType*>(&value);
}

void printNotDecisionMaker(const WordCall& call) {
    tala::out() << call.word() << " syntax error: first argument must be of type 'vex::QDM'.\n";
    tala::interp::noteProblem();
}

void printNotDecisionMakerPlain(const WordCall& call) {
    tala::out() << call.word() << " syntax error: first argument must be of type 'vex::QDM'\n";
    tala::interp::noteProblem();
}

void printNoDecisionMaker() {
    tala::out() << "Error: " << kNoDecisionMakerText << "\n";
    tala::interp::noteProblem();
}

QDM* decisionMakerOf(const QDMType& value) {
    return value.decisionMaker.get();
}

bool isTrailingString(const WordCall& call, int n, const Object& value) {
    return call.isLast(n) && value.holds(ObjectType::String);
}

}  // namespace vex
