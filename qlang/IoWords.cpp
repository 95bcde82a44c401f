// Words that print values, write them to text files, read a number from the user
// and run a script file.

#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>

#include "interp/CommandTokenizer.h"
#include "support/ConsoleKeys.h"
#include "interp/InterpreterCore.h"
#include "support/OutputFile.h"
#include "qlang/Evaluate.h"
#include "qlang/QuantumCall.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {
namespace {

// The console prints cut matrices to their first 10 rows and columns; files get every entry.
constexpr int kConsoleMatrixMode = 0;
constexpr int kFileMatrixMode = 1;

// Only this many characters of a typed line are kept.
constexpr std::size_t kInputLineLimit = 99;

// Scripts may run scripts; a file that runs itself would otherwise recurse until
// the stack gives out. "file" checks the limit itself and reports, so its guard
// never refuses.
constexpr tala::interp::NestingRule kScriptNesting{64, "Script files nested too deeply", false};
thread_local tala::interp::NestingDepth scriptNesting;

// The reason goes to standard error; a NUL byte's refusal names itself.
void reportUnopenable(const std::string& name, const std::string& reason) {
    support::reportFileFailure(support::cannotOpenFileText(name),
                                    support::holdsNulByte(name) ? std::string() : reason);
}

// A write or close that failed after the file was opened: the disk is full, say.
void reportFinished(const std::string& name, support::OutputFile& file) {
    const std::string reason = file.finish();
    if (!reason.empty()) support::reportFileFailure(support::cannotWriteFileText(name, reason), reason);
}

void word_print(QuantumCall& call) {
    call.valueArg(1).print(support::out(), true, kConsoleMatrixMode);
    support::out() << "\n";
}

void word_print_one_line(QuantumCall& call) { call.valueArg(1).print(support::out(), false, kConsoleMatrixMode); }

void word_print_new_line(QuantumCall&) { support::out() << "\n"; }

void word_new_file(QuantumCall& call) {
    const std::string name = call.stringArg(1);
    support::OutputFile file(name, support::OutputFile::Mode::Replace);
    if (!file.isOpen()) reportUnopenable(name, file.finish());
    else reportFinished(name, file);
}

// One line per call: every value bare and followed by ",", then the line end. A
// failure in a value leaves the values before it in the file, without the line end.
void word_print_file(QuantumCall& call) {
    const std::string name = call.stringArg(1);
    support::OutputFile file(name, support::OutputFile::Mode::Append);
    if (!file.isOpen()) {
        reportUnopenable(name, file.finish());
        return;
    }
    for (int n = 2; n < call.count(); ++n) {
        call.valueArg(n).print(file, false, kFileMatrixMode);
        file << ",";
    }
    file << "\n";
    reportFinished(name, file);
}

// Reads keys up to the end of the line (or of input), keeping the first 99
// characters. A terminal does not echo in key mode, so typed keys are echoed here,
// and backspace takes back the last one; piped input is not echoed.
std::string readInputLine() {
    const bool terminal = isatty(STDIN_FILENO) == 1;
    std::string line;
    for (int key = support::readKey(); key >= 0 && key != '\n'; key = support::readKey()) {
        if (key == '\r') continue;
        if (terminal && (key == 0x7f || key == '\b')) {
            if (!line.empty()) {
                line.pop_back();
                support::out() << "\b \b" << std::flush;
            }
            continue;
        }
        if (line.size() < kInputLineLimit) line.push_back(static_cast<char>(key));
        if (terminal) support::out() << static_cast<char>(key) << std::flush;
    }
    return line;
}

void word_user_input(QuantumCall& call) {
    if (call.stringArg(1) == "integer") {
        support::out() << "Please enter an integer: ";
        call.result.setInteger(tala::interp::TypedNumbers::integer(readInputLine()));
    } else {
        support::out() << "user.input: ";
        readInputLine();
    }
    support::out() << "\n";
}

// The whole file is one command: line ends become blanks. The path is taken
// literally, and the script runs in this word's local scope with fresh off, so its
// declarations vanish with this word unless made global.
void word_file(QuantumCall& call) {
    const std::string path = call.arg(1);
    std::string reason;
    std::optional<std::string> text = tala::interp::readScriptFile(path, &reason);
    if (!text) {
        reportUnopenable(path, reason);
        return;
    }
    if (scriptNesting.depth >= kScriptNesting.maxDepth) {
        call.report("'; script files nested too deeply\n");
        return;
    }
    if (text->empty()) return;
    const tala::interp::NestingGuard depth(scriptNesting, kScriptNesting);
    evaluate(call.table, tala::interp::normalizeCommandText(*text), call.local, call.result, call.global, false);
}

constexpr WordEntry kIoWords[] = {
    {"print", word_print, "X", "Prints X with its type and name, matrices cut to 10 x 10, and a line end.",
     "print (add 2 3)"},
    {"print_one_line", word_print_one_line, "X", "Prints the value of X alone, without a line end.",
     "print_one_line 2.5"},
    {"print_new_line", word_print_new_line, "", "Prints a line end.", "print_new_line 0", tala::interp::kAnyArguments},
    {"new_file", word_new_file, "NAME", "Creates the file NAME, or empties it.", "new_file out.txt"},
    {"print_file", word_print_file, "NAME X...",
     "Appends one line to the file NAME: each value in full, followed by a comma.", "print_file out.txt 1 2.5"},
    {"user.input", word_user_input, "integer|TYPE",
     "Asks for an integer and answers it; with any other TYPE reads a line and discards it.",
     "print (user.input integer)"},
    {"file", word_file, "PATH",
     "Runs the script file PATH (raw text) as one command, its declarations local to this word.",
     "file QDM_Scripts/prepare.txt"},
};

}  // namespace

WordGroup ioWords() { return {"input/output", kIoWords}; }

}  // namespace qlang
