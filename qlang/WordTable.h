#pragma once
// Word -> handler dispatch for the typed evaluator.

#include <span>
#include <string_view>
#include <unordered_map>

#include "qlang/WordCall.h"

namespace qlang {

class WordTable {
public:
    void add(std::span<const WordEntry> entries);
    // The handler of `word`, or null.
    WordHandler find(std::string_view word) const;

    // The built-in table with every group registered, built once.
    static const WordTable& builtins();

private:
    std::unordered_map<std::string_view, WordHandler> handlers_;
};

}  // namespace qlang
