#pragma once
// Word -> handler dispatch for the typed evaluator.

#include <vector>

#include "interp/DispatchTable.h"
#include "qlang/QuantumCall.h"

namespace qlang {

class WordTable : public tala::interp::DispatchTable<WordHandler> {
public:
    using DispatchTable::DispatchTable;
    // The built-in table with every group registered, built once.
    static const WordTable& builtins();
};

// The built-in words, group by group in table order, for help and completion.
const std::vector<tala::interp::GroupDoc>& wordGroups();

}  // namespace qlang
