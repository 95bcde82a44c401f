#include "qlang/WordTable.h"

#include "qlang/Words.h"

namespace qlang {

void WordTable::add(std::span<const WordEntry> entries) {
    // The first group to claim a word keeps it.
    for (const WordEntry& entry : entries) handlers_.emplace(entry.word, entry.handler);
}

WordHandler WordTable::find(std::string_view word) const {
    auto it = handlers_.find(word);
    return it == handlers_.end() ? nullptr : it->second;
}

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
