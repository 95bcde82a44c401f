// The interactive shell of the typed language on a fresh, empty variable table.

#include "interp/VariableTable.h"
#include "qlang/RunShell.h"

int main() {
    tala::interp::VariableTable table;
    qlang::runShell(table);
    return 0;
}
