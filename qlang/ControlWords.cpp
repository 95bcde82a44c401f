// Sequencing, loops, conditions and the global switch.

#include <algorithm>
#include <string>
#include <vector>

#include "support/ConsoleKeys.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "qlang/Evaluate.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using tala::interp::Variable;

void word_global(QuantumCall& call) { evaluate(call.table, call.arg(1), call.local, call.result, true, true); }

// Fresh off: a declaration in one statement lands in the begin's own scope and is
// seen by the statements after it.
void word_begin(QuantumCall& call) {
    for (int i = 1; i < call.tokens.count(); ++i)
        evaluateToken(call.table, call.tokens, i, call.local, call.result, call.global, false);
}

void word_while(QuantumCall& call) {
    for (;;) {
        if (support::keyWaiting()) throw support::Failure("Error: User break.");
        Variable value;
        evaluateToken(call.table, call.tokens, 1, call.local, value, call.global, false);
        if (value.typeName != "integer") {
            support::out() << "Syntax error; condition of while loop not integer\n";
            support::noteProblem();
            return;
        }
        if (value.getInteger() == 0) return;
        for (int i = 2; i < call.tokens.count(); ++i)
            evaluateToken(call.table, call.tokens, i, call.local, value, call.global, false);
    }
}

// The one control word that stops a failure: the condition and the chosen branch
// fail into a report and the script goes on.
void word_if(QuantumCall& call) {
    try {
        const int branch = call.integerArg(1) != 0 ? 2 : 3;
        call.run(branch, call.result);
    } catch (const support::Failure& failure) {
        call.report(std::string("': ") + failure.what() + "\n");
    }
}

void word_nop(QuantumCall&) {}

void word_help(QuantumCall& call) {
    const std::string word = call.stringArg(1);
    for (const auto& handler : call.table.handlers) {
        if (handler->name() != word) continue;
        handler->help();
        return;
    }
}

constexpr WordEntry kControlWords[] = {
    {"global", word_global, "COMMAND",
     "Runs COMMAND with new variables going to the global list, where the variable words look too.",
     "global (new integer x)"},
    {"begin", word_begin, "STATEMENT...",
     "Runs the statements in order in one shared scope; the value is the last one's.",
     "begin (new integer x) (set x 7) (print (get x))"},
    {"while", word_while, "CONDITION STATEMENT...",
     "Runs the statements while the integer CONDITION is non-zero; a key press breaks the loop.",
     "begin (new integer i) (while (< (get i) 3) (set i (+ (get i) 1))) (print (get i))"},
    {"if", word_if, "CONDITION THEN [ELSE]",
     "Evaluates THEN when the integer CONDITION is non-zero, else ELSE; a failure inside is reported, "
     "not raised.",
     "print (if (< 1 2) 10 20)"},
    {"nop", word_nop, "", "Does nothing.", "if 0 (print no) (nop 0)", tala::interp::kAnyArguments},
    {"NOP", word_nop, "", "Does nothing (the same as nop).", "if 0 (print no) (NOP 0)", tala::interp::kAnyArguments},
    {"help", word_help, "NAME", "Runs the help of the extension handler NAME, if there is one.", "help gate"},
};

}  // namespace

WordGroup controlWords() { return {"control", kControlWords}; }

}  // namespace qlang
