#include "qlang/RunShell.h"

#include "interp/Shell.h"
#include "qlang/Evaluate.h"
#include "qlang/WordTable.h"

namespace qlang {

void runShell(tala::interp::VariableTable& table) {
    tala::interp::shell(table, [](tala::interp::VariableTable& t, const std::string& line,
                                  tala::interp::Variable& result) {
        evaluate(t, line, t.variables, result, false, true);
    }, wordGroups());
}

}  // namespace qlang
