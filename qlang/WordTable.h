#pragma once
// Word -> handler dispatch for the typed evaluator.

#include "interp/DispatchTable.h"
#include "qlang/WordCall.h"

namespace qlang {

class WordTable : public tala::interp::DispatchTable<WordHandler> {
public:
    // The built-in table with every group registered, built once.
    static const WordTable& builtins();
};

}  // namespace qlang
