#include "qlang/WordTable.h"

#include "qlang/Words.h"

namespace qlang {

const WordTable& WordTable::builtins() {
    static const WordTable table = [] {
        WordTable words;
        addControlWords(words);
        addVariableWords(words);
        addMatrixWords(words);
        addOperatorWords(words);
        addMeasurementWords(words);
        addIoWords(words);
        addScalarWords(words);
        return words;
    }();
    return table;
}

}  // namespace qlang
