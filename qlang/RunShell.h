#pragma once
// The interactive shell bound to the typed evaluator.

#include "interp/VariableTable.h"

namespace qlang {

// Runs the shell on the table: each line is evaluated against its global list with
// global off and fresh on, so only "global" declarations outlive their line.
void runShell(tala::interp::VariableTable& table);

}  // namespace qlang
