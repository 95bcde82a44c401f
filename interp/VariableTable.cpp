#include "interp/VariableTable.h"

#include <iostream>
#include "support/ScriptOutput.h"

namespace tala::interp {

VariableTable::~VariableTable() {
    // Handlers go first: one may still look at the variables while it is destroyed.
    handlers.clear();
    interp::clear(variables);
}

void VariableTable::printState() const {
    tala::out() << "State List:\n";
    for (const Variable& variable : variables) tala::out() << "<" << variable.typeName << ", " << variable.name << ">\n";
}

void VariableTable::clear() { interp::clear(variables); }

}  // namespace tala::interp
