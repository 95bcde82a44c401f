#include "qlang/WordTable.h"

#include "qlang/Words.h"

namespace qlang {

const WordTable& WordTable::builtins() {
    static const WordGroup groups[] = {
        controlWords(), variableWords(), matrixWords(), operatorWords(),   measurementWords(),
        ioWords(),      scalarWords(),   randomWords(), comparisonWords(),
    };
    static const WordTable table(groups);
    return table;
}

const std::vector<tala::interp::GroupDoc>& wordGroups() { return WordTable::builtins().groups(); }

}  // namespace qlang
