#pragma once
// What a word handler of the Interpreter sees of the command it runs, and the groups
// of words. Each group lives in its own source file that ends with its table
// { "word", handler } and one function adding that table to the dispatcher.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/DispatchTable.h"
#include "interp/Interpreter.h"
#include "interp/Object.h"

namespace tala::interp::words {

struct Command {
    Interpreter& interpreter;
    std::string_view text;  // the whole command text, for reports
    const CommandTokenizer& tokens;
    ObjectList& local;   // this command's local copy of the caller's scope
    ObjectList& target;  // where new variables go and names are looked up
    Object& result;
    const LibraryList& libraries;
    bool global;
    bool fresh;

    int count() const { return tokens.count(); }
    std::string arg(int k) const { return tokens.token(k); }
    // Evaluates token k into `into`: local copy, same global flag, fresh on.
    void evaluate(int k, Object& into) const;
    // Runs token k into `into` in the local copy with the given fresh flag.
    void run(int k, Object& into, bool freshFlag) const;
    // Writes "Syntax error '" + text + suffix to standard output.
    void report(std::string_view suffix) const;
};

using WordHandler = void (*)(Command& command);

using WordEntry = DispatchEntry<WordHandler>;

class WordTable : public DispatchTable<WordHandler> {
public:
    // Every group registered, built on first use.
    static const WordTable& builtins();
};

void addControlWords(WordTable& table);   // global, begin, while, if, case, cond, nop, NOP
void addValueWords(WordTable& table);     // integer, double, string, arithmetic, comparisons, not, and, or
void addVariableWords(WordTable& table);  // get, set, index, new
void addIoWords(WordTable& table);        // print, print_new_line, print_one_line, user.input
void addFileWords(WordTable& table);      // path, file, load_module

// Number reading shared by literals and the conversion words. Both read a leading
// number (optional sign, decimal digits; the double also a fraction and an exponent)
// and ignore what follows; no number reads as 0. Integers saturate at the 32-bit range.
std::int32_t leadingInteger(std::string_view text);
double leadingDouble(std::string_view text);
// Skips leading white space.
std::string_view skipBlanks(std::string_view text);

}  // namespace tala::interp::words
