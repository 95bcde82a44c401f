// Placeholder until the operator words land.
#include "qlang/Words.h"
#include "qlang/WordTable.h"

namespace qlang {
void addOperatorWords(WordTable&) {}
}  // namespace qlang
