#pragma once
// What a word handler of the Interpreter sees of the command it runs, and the groups
// of words. Each group lives in its own source file <Group>Words.cpp that ends with its
// table k<Group>Words and one function <group>Words() answering it; WordTable::builtins
// lists every group.

#include <string_view>

#include "interp/DispatchTable.h"
#include "interp/Interpreter.h"
#include "interp/InterpreterCore.h"
#include "interp/ObjectCall.h"

namespace tala::interp::words {

struct InterpreterCall : interp::ObjectCall {
    std::string_view text;  // the whole command text, for reports
    ObjectList& target;     // where new variables go and names are looked up
    bool fresh;

    // Runs token k into `into` in the local copy with the given fresh flag.
    void run(int k, Object& into, bool freshFlag) const;
    // Writes "Syntax error '" + text + suffix to standard output.
    void report(std::string_view suffix) const { writeReport(ReportForm::Plain, text, suffix); }
};

using WordHandler = void (*)(InterpreterCall& command);

using WordEntry = DispatchEntry<WordHandler>;
using WordGroup = interp::WordGroup<WordHandler>;

class WordTable : public DispatchTable<WordHandler> {
public:
    using DispatchTable::DispatchTable;
    // Every group, built on first use.
    static const WordTable& builtins();
};

WordGroup controlWords();   // sequencing, loops, conditions, the global switch
WordGroup valueWords();     // conversions, arithmetic, comparisons, bitwise logic
WordGroup variableWords();  // declaring, reading and writing variables
WordGroup ioWords();        // printing and console input
WordGroup fileWords();      // script files, the search path, modules

// The nesting limit of the object language.
inline constexpr NestingRule kNesting{kMaxCommandDepth, kNestingTooDeep, false};

}  // namespace tala::interp::words
