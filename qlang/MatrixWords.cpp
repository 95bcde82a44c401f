// Placeholder until the matrix words land.
#include "qlang/Words.h"
#include "qlang/WordTable.h"

namespace qlang {
void addMatrixWords(WordTable&) {}
void declareStructured(WordCall&, const std::string&, const std::string&) {}
}  // namespace qlang
