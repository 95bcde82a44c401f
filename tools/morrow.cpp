// morrow: the typed quantum language.
//   morrow FILE...   runs each FILE with the language's file word and exits
//   morrow           the interactive shell on a fresh, empty variable table
// Failures raised by a file are printed as "Error: <text>"; the exit status is 1 when
// a file could not be opened or a failure was raised, else 0.

#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "support/LineEditor.h"
#include "support/OutputFile.h"
#include "interp/ScriptFiles.h"
#include "support/ProgramOptions.h"
#include "interp/VariableTable.h"
#include "interp/WordHelp.h"
#include "qlang/Evaluate.h"
#include "qlang/RunShell.h"
#include "qlang/WordTable.h"

namespace {

const support::ProgramInfo kProgram{
    "morrow",
    "Usage: morrow [OPTION]... [FILE]...\n"
    "The typed quantum language. Runs each FILE with the language's file word and exits;\n"
    "with no FILE, opens the interactive shell on standard input (line editing, history\n"
    "in ~/.morrow_history and Tab completion at a terminal). In the shell, !help lists\n"
    "the words and !help WORD describes one.\n"
    "\n"
    "Options:\n"
    "  --seed N     seed the random generator with N: runs with one seed repeat exactly\n"
    "  -h, --help   print this help and exit\n"
    "  --version    print the version and exit\n"
    "  --reference  print the reference of every word (Markdown) and exit\n"
    "\n"
    "Exit status: 0; 1 when a file could not be opened or a failure was raised;\n"
    "2 for a bad option.\n"
    "The language and all its words: docs/morrow.md (installed under share/doc/QuantumFlock).\n",
    [] { return tala::interp::referenceText(qlang::wordGroups()); },
};

// Runs the files in one table, as the shell runs lines: only global declarations
// outlive a file. Answers whether every file ran without a failure.
bool runFiles(const std::vector<std::string>& commands) {
    tala::interp::VariableTable table;
    bool allRan = true;
    for (const std::string& command : commands) {
        tala::interp::Variable result;
        try {
            qlang::evaluate(table, command, table.variables, result, false, true);
        } catch (const std::exception& failure) {
            std::cout << "Error: " << failure.what() << "\n";
            allRan = false;
        }
    }
    std::cout.flush();
    return allRan;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    std::optional<unsigned> seed;
    const auto readOption = [&](const std::string& option, const std::string& value) {
        seed = support::readSeed(option, value);
    };
    if (const std::optional<int> status =
            support::readCommandLine(argc, argv, kProgram, {{"--seed", true}}, readOption, files))
        return *status;
    // Without --seed the generator keeps the C library's own start.
    if (seed) std::srand(*seed);
    if (!files.empty()) {
        const auto commands = tala::interp::scriptFileCommands(kProgram.name, files);
        if (!commands) return 1;
        const bool allRan = runFiles(*commands);
        return allRan && support::fileFailureCount() == 0 ? 0 : 1;
    }
    std::optional<support::TerminalSession> terminal;
    if (support::TerminalSession::possible()) terminal.emplace();
    tala::interp::VariableTable table;
    qlang::runShell(table);
    return 0;
}
