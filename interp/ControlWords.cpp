// Control words: global, begin, while, if, case, cond, nop, NOP.

#include <array>
#include <iostream>

#include "interp/ConsoleKeys.h"
#include "interp/InterpreterWords.h"
#include "linalg/Failure.h"

namespace tala::interp::words {

namespace {

// A String left in the result by a loop statement: "break" or "continue".
bool resultIs(const Object& result, std::string_view word) {
    return result.holds(ObjectType::String) && result.getString() == word;
}

void word_global(Command& c) {
    c.interpreter.execute(c.arg(1), c.local, c.result, c.libraries, true, true);
}

// Statements run in the begin's own local copy, so one statement's variables are seen
// by the next.
void word_begin(Command& c) {
    for (int k = 1; k < c.count(); ++k) c.run(k, c.result, false);
}

void word_while(Command& c) {
    for (;;) {
        // A key pressed at the console stops a runaway loop.
        if (keyWaiting()) {
            readKey();
            throw Failure("Error: User break.");
        }
        Object condition;
        c.run(1, condition, false);
        if (!condition.holds(ObjectType::Integer)) {
            std::cout << "Syntax error; condition of while loop not integer\n";
            return;
        }
        if (condition.getInteger() == 0) return;
        for (int k = 2; k < c.count(); ++k) {
            c.run(k, c.result, false);
            if (resultIs(c.result, "break")) return;
            if (resultIs(c.result, "continue")) break;
        }
    }
}

void word_if(Command& c) {
    Object condition;
    c.evaluate(1, condition);
    c.run(condition.getInteger() != 0 ? 2 : 3, c.result, true);
}

void word_case(Command& c) {
    Object selector;
    c.evaluate(1, selector);
    for (int k = 2; k < c.count(); k += 2) {
        Object label;
        c.evaluate(k, label);
        if (k == c.count() - 1) return;  // a label without a value runs nothing
        if (resultIs(label, "default") || equals(selector, label)) {
            c.run(k + 1, c.result, true);
            return;
        }
    }
}

void word_cond(Command& c) {
    for (int k = 1; k < c.count(); k += 2) {
        Object condition;
        c.evaluate(k, condition);
        if (k == c.count() - 1) return;
        if (condition.getInteger() != 0) {
            c.run(k + 1, c.result, true);
            return;
        }
    }
}

void word_nop(Command&) {}

constexpr std::array kControlWords{
    WordEntry{"global", word_global}, WordEntry{"begin", word_begin}, WordEntry{"while", word_while},
    WordEntry{"if", word_if},         WordEntry{"case", word_case},   WordEntry{"cond", word_cond},
    WordEntry{"nop", word_nop},       WordEntry{"NOP", word_nop},
};

}  // namespace

void addControlWords(WordTable& table) { table.add(kControlWords); }

}  // namespace tala::interp::words
