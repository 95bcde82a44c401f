#include "interp/VariableTable.h"

#include "support/ScriptOutput.h"

namespace tala::interp {

void VariableTable::printState() const {
    support::out() << "State List:\n";
    for (const Variable& variable : variables) support::out() << "<" << variable.typeName << ", " << variable.name << ">\n";
}

void VariableTable::clear() { variables.clear(); }

}  // namespace tala::interp
