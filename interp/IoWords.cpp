// Console words: print, print_new_line, print_one_line, user.input.

#include <array>
#include <iostream>
#include <string>

#include "interp/ConsoleKeys.h"
#include "interp/InterpreterWords.h"

namespace tala::interp::words {

namespace {

// A line typed at a prompt counts for at most this many characters.
constexpr std::size_t kInputLineLimit = 99;

void printValue(Command& c, bool header) {
    Object value;
    c.evaluate(1, value);
    if (value.hasData()) value.print(std::cout, header);
    else std::cout << "NULL";
}

void word_print(Command& c) {
    printValue(c, true);
    std::cout << "\n";
}

void word_print_new_line(Command&) { std::cout << "\n"; }

void word_print_one_line(Command& c) { printValue(c, false); }

// The whole line is consumed so that its rest is never taken for the next command.
std::string readInputLine() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kInputLineLimit) line.resize(kInputLineLimit);
    return line;
}

void word_user_input(Command& c) {
    Object kind;
    c.evaluate(1, kind);
    const std::string& what = kind.getString();
    if (what == "integer") {
        std::cout << "\nPlease enter an integer: " << std::flush;
        c.result.setInteger(leadingInteger(skipBlanks(readInputLine())));
    } else if (what == "char") {
        std::cout << "\nPlease press a key: " << std::flush;
        const int key = readKeyEcho();
        c.result.setInteger(key < 0 ? 0 : static_cast<unsigned char>(key));
        std::cout << "\n";
    } else if (what == "string") {
        std::cout << "\nPlease enter a string: " << std::flush;
        c.result.setString(readInputLine());
    } else if (what == "kbhit") {
        std::cout << std::flush;
        const int key = keyWaiting() ? readKey() : 0;
        c.result.setInteger(key < 0 ? 0 : static_cast<signed char>(key));
    }
}

constexpr std::array kIoWords{
    WordEntry{"print", word_print},
    WordEntry{"print_new_line", word_print_new_line},
    WordEntry{"print_one_line", word_print_one_line},
    WordEntry{"user.input", word_user_input},
};

}  // namespace

void addIoWords(WordTable& table) { table.add(kIoWords); }

}  // namespace tala::interp::words
