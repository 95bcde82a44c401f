// Sequencing, loops, conditions and the global switch.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "interp/ConsoleKeys.h"
#include "linalg/Failure.h"
#include "qlang/Evaluate.h"
#include "qlang/WordTable.h"
#include "qlang/Words.h"

namespace qlang {

namespace {

using tala::interp::Variable;

void word_global(WordCall& call) { evaluate(call.table, call.arg(1), call.local, call.result, true, true); }

// Fresh off: a declaration in one statement lands in the begin's own scope and is
// seen by the statements after it.
void word_begin(WordCall& call) {
    const std::vector<std::string> statements = call.tokens.tokens();
    for (size_t i = 1; i < statements.size(); ++i)
        evaluate(call.table, statements[i], call.local, call.result, call.global, false);
}

void word_while(WordCall& call) {
    std::vector<std::string> body = call.tokens.tokens();
    const std::string condition = body.size() > 1 ? body[1] : std::string();
    body.erase(body.begin(), body.begin() + std::min<size_t>(body.size(), 2));
    for (;;) {
        if (tala::interp::keyWaiting()) throw tala::Failure("Error: User break.");
        Variable value;
        evaluate(call.table, condition, call.local, value, call.global, false);
        if (value.typeName != "integer") {
            std::cout << "Syntax error; condition of while loop not integer\n";
            return;
        }
        if (value.getInteger() == 0) return;
        for (const std::string& statement : body)
            evaluate(call.table, statement, call.local, value, call.global, false);
    }
}

// The one control word that stops a failure: the condition and the chosen branch
// fail into a report and the script goes on.
void word_if(WordCall& call) {
    try {
        Variable condition;
        call.evaluateArg(1, condition);
        const int branch = condition.getInteger() != 0 ? 2 : 3;
        call.evaluateArg(branch, call.result);
    } catch (const tala::Failure& failure) {
        std::cout << "Syntax error '" << call.text << "': " << failure.what() << "\n";
    }
}

void word_nop(WordCall&) {}

void word_help(WordCall& call) {
    Variable name;
    call.evaluateArg(1, name);
    const std::string& word = name.getString();
    for (const auto& handler : call.table.handlers) {
        if (handler->name() != word) continue;
        handler->help();
        return;
    }
}

constexpr WordEntry kControlWords[] = {
    {"global", word_global}, {"begin", word_begin}, {"while", word_while}, {"if", word_if},
    {"nop", word_nop},       {"NOP", word_nop},     {"help", word_help},
};

}  // namespace

void addControlWords(WordTable& table) { table.add(kControlWords); }

}  // namespace qlang
