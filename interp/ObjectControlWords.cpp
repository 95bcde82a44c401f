// Control words: sequencing, loops, conditions, selection and the global switch.

#include "support/ConsoleKeys.h"
#include "interp/InterpreterWords.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "support/ScriptOutput.h"

namespace tala::interp::words {

using support::Failure;
using support::keyWaiting;
using support::readKey;

namespace {

// A String left in the result by a loop statement: "break" or "continue".
bool resultIs(const Object& result, std::string_view word) {
    return result.holds(ObjectType::String) && result.getString() == word;
}

void word_global(InterpreterCall& c) {
    c.interpreter.execute(c.arg(1), c.local, c.result, c.libraries, true, true);
}

// Statements run in the begin's own local copy, so one statement's variables are seen
// by the next.
void word_begin(InterpreterCall& c) {
    for (int k = 1; k < c.count(); ++k) c.run(k, c.result, false);
}

void word_while(InterpreterCall& c) {
    for (;;) {
        // A key pressed at the console stops a runaway loop.
        if (keyWaiting()) {
            readKey();
            throw Failure("Error: User break.");
        }
        Object condition;
        c.run(1, condition, false);
        if (!condition.holds(ObjectType::Integer)) {
            support::out() << "Syntax error; condition of while loop not integer\n";
            support::noteProblem();
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

void word_if(InterpreterCall& c) { c.run(c.integerArg(1) != 0 ? 2 : 3, c.result, true); }

void word_case(InterpreterCall& c) {
    const Object selector = c.valueArg(1);
    for (int k = 2; k < c.count(); k += 2) {
        const Object label = c.valueArg(k);
        if (k == c.count() - 1) return;  // a label without a value runs nothing
        if (resultIs(label, "default") || equals(selector, label)) {
            c.run(k + 1, c.result, true);
            return;
        }
    }
}

void word_cond(InterpreterCall& c) {
    for (int k = 1; k < c.count(); k += 2) {
        const Object condition = c.valueArg(k);
        if (k == c.count() - 1) return;
        if (condition.getInteger() != 0) {
            c.run(k + 1, c.result, true);
            return;
        }
    }
}

void word_nop(InterpreterCall&) {}

constexpr WordEntry kControlWords[] = {
    {"global", word_global, "COMMAND", "Runs COMMAND with new variables going to the globals.",
     "global (new integer n)"},
    {"begin", word_begin, "STATEMENT...",
     "Runs the statements in order in one shared scope; the value is the last one's.",
     "begin (new integer i) (set i 5) (print i)"},
    {"while", word_while, "CONDITION STATEMENT...",
     "Runs the statements while CONDITION is a non-zero integer; a statement leaving break or continue "
     "ends the loop or the round.",
     "begin (new integer i) (while (< i 3) (set i (+ i 1))) (print i)"},
    {"if", word_if, "CONDITION THEN [ELSE]", "Runs THEN when the integer CONDITION is non-zero, else ELSE.",
     "print (if (< 1 2) yes no)"},
    {"case", word_case, "SELECTOR LABEL VALUE...",
     "Runs the VALUE after the first LABEL equal to SELECTOR, or after the label default.",
     "print (case 2 1 one 2 two default other)"},
    {"cond", word_cond, "CONDITION VALUE...", "Runs the VALUE after the first non-zero integer CONDITION.",
     "print (cond 0 a 1 b)"},
    {"nop", word_nop, "", "Does nothing.", "if (< 1 2) (nop 0) (print no)", kAnyArguments},
    {"NOP", word_nop, "", "Does nothing (the same as nop).", "if (< 1 2) (NOP 0) (print no)", kAnyArguments},
};

}  // namespace

WordGroup controlWords() { return {"control", kControlWords}; }

}  // namespace tala::interp::words
