// Placeholder until the measurement words land.
#include "qlang/Words.h"
#include "qlang/WordTable.h"

namespace qlang {
void addMeasurementWords(WordTable&) {}
}  // namespace qlang
