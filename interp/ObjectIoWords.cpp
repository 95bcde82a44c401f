// Console words: printing values and reading what the user types.

#include <iostream>
#include <string>

#include "support/ConsoleKeys.h"
#include "interp/InterpreterWords.h"
#include "support/ScriptOutput.h"

namespace tala::interp::words {

using support::keyWaiting;
using support::readKey;
using support::readKeyEcho;

namespace {

// A line typed at a prompt counts for at most this many characters.
constexpr std::size_t kInputLineLimit = 99;

void printValue(InterpreterCall& c, bool header) {
    const Object value = c.valueArg(1);
    if (value.hasData()) value.print(support::out(), header);
    else support::out() << "NULL";
}

void word_print(InterpreterCall& c) {
    printValue(c, true);
    support::out() << "\n";
}

void word_print_new_line(InterpreterCall&) { support::out() << "\n"; }

void word_print_one_line(InterpreterCall& c) { printValue(c, false); }

// The whole line is consumed so that its rest is never taken for the next command.
std::string readInputLine() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kInputLineLimit) line.resize(kInputLineLimit);
    return line;
}

void word_user_input(InterpreterCall& c) {
    const std::string what = c.stringArg(1);
    if (what == "integer") {
        support::out() << "\nPlease enter an integer: " << std::flush;
        c.result.setInteger(ObjectNumbers::integer(readInputLine()));
    } else if (what == "char") {
        support::out() << "\nPlease press a key: " << std::flush;
        const int key = readKeyEcho();
        c.result.setInteger(key < 0 ? 0 : static_cast<unsigned char>(key));
        support::out() << "\n";
    } else if (what == "string") {
        support::out() << "\nPlease enter a string: " << std::flush;
        c.result.setString(readInputLine());
    } else if (what == "kbhit") {
        support::out() << std::flush;
        const int key = keyWaiting() ? readKey() : 0;
        c.result.setInteger(key < 0 ? 0 : static_cast<signed char>(key));
    }
}

constexpr WordEntry kIoWords[] = {
    {"print", word_print, "VALUE", "Prints VALUE with its type and name, or NULL, and a line end.",
     "print (+ 1 2)"},
    {"print_new_line", word_print_new_line, "", "Prints a line end.", "print_new_line 0", kAnyArguments},
    {"print_one_line", word_print_one_line, "VALUE", "Prints VALUE alone, or NULL, without a line end.",
     "print_one_line (+ 1 2)"},
    {"user.input", word_user_input, "integer|char|string|kbhit",
     "Asks for an integer, a key or a line, or answers the key waiting (0 if none).", "print (user.input integer)"},
};

}  // namespace

WordGroup ioWords() { return {"input/output", kIoWords}; }

}  // namespace tala::interp::words
