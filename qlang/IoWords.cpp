// Placeholder until the input/output words land.
#include "qlang/Words.h"
#include "qlang/WordTable.h"

namespace qlang {
void addIoWords(WordTable&) {}
}  // namespace qlang
