// Placeholder until the scalar words land.
#include "qlang/Words.h"
#include "qlang/WordTable.h"

namespace qlang {
void addScalarWords(WordTable&) {}
}  // namespace qlang
