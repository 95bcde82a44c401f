#include "interp/VariableTable.h"

#include "support/ScriptOutput.h"

namespace tala::interp {

void VariableTable::printState() const {
    tala::out() << "State List:\n";
    for (const Variable& variable : variables) tala::out() << "<" << variable.typeName << ", " << variable.name << ">\n";
}

void VariableTable::clear() { variables.clear(); }

}  // namespace tala::interp
