// tala: runs object-level scripts the way an agent's interpreter host does.
//   tala FILE...   runs "file FILE" for each FILE in turn
//   tala           at a terminal, an interactive session with a prompt; otherwise runs
//                  each non-empty line of standard input as one command, normalised
//                  the way script files are (so indentation and blank lines are harmless)
// A failure raised by a command is printed as "Error: <text>" and the run goes on;
// the exit status is 1 when any command failed, else 0.

#include <unistd.h>

#include <deque>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ProjectVersion.h"
#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "interp/Interpreter.h"
#include "interp/LineEditor.h"
#include "interp/ProgramOptions.h"
#include "interp/WordHelp.h"
#include "linalg/Failure.h"

#if __has_include("decision/VEXCommands.h")
#include "decision/TrainingThreads.h"
#include "decision/VEXCommands.h"
#define TALA_HAS_DECISION_LIBRARY 1
#endif

namespace {

using tala::interp::CommandLibrary;
using tala::interp::GroupDoc;

// tala's words: the interpreter's groups, then each library's, named after the library.
const std::vector<GroupDoc>& talaGroups() {
    static const std::vector<GroupDoc> groups = [] {
        std::vector<GroupDoc> all = tala::interp::wordGroups();
#ifdef TALA_HAS_DECISION_LIBRARY
        // Group names are views: the library's names live here as long as the groups do.
        static std::deque<std::string> names;
        for (const GroupDoc& group : vex::wordGroups()) {
            names.push_back("vex " + std::string(group.name));
            all.push_back(GroupDoc{names.back(), group.words});
        }
#endif
        return all;
    }();
    return groups;
}

constexpr tala::interp::ProgramInfo kProgram{
    "tala",
    "Usage: tala [OPTION]... [FILE]...\n"
    "The object-level script language with the decision library. Runs each FILE with the\n"
    "language's file word; with no FILE, runs each line of standard input as a command, or,\n"
    "at a terminal, opens an interactive session (line editing, history in ~/.tala_history,\n"
    "Tab completion; !help lists the words and !help WORD describes one).\n"
    "\n"
    "Options:\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and exit\n"
    "  --reference  print the reference of every word and command (Markdown) and exit\n"
    "  --threads N  evaluate training candidates on N threads (default: FLOCK_THREADS,\n"
    "               else the number of processors)\n"
    "\n"
    "Exit status: 0; 1 when a file could not be opened or a command raised a failure;\n"
    "2 for an unknown option.\n"
    "The language and all its words: docs/tala.md.\n",
    [] { return tala::interp::referenceText(talaGroups()); },
};

// The libraries plugged into tala's host: the one place to add a library.
std::vector<std::unique_ptr<CommandLibrary>> talaLibraries() {
    std::vector<std::unique_ptr<CommandLibrary>> libraries;
#ifdef TALA_HAS_DECISION_LIBRARY
    libraries.push_back(std::make_unique<vex::VEXCommands>());
#endif
    return libraries;
}

class Runner {
public:
    Runner() : host_(talaLibraries()) {}

    void run(const std::string& command) {
        try {
            host_.runCommand(command);
        } catch (const tala::Failure& failure) {
            report(failure.what());
        } catch (const std::exception& failure) {
            // Not raised by the scripts' own rules (out of memory, for one); reported
            // the same way so that the run goes on.
            report(failure.what());
        }
    }

    bool anyFailed() const { return anyFailed_; }

private:
    void report(const char* message) {
        std::cout << "Error: " << message << "\n";
        anyFailed_ = true;
    }

    tala::interp::InterpreterHost host_;
    bool anyFailed_ = false;
};

// Each non-empty line of standard input is one command. std::cin is shared with
// commands that read input themselves (a shell opened by a command reads the lines
// after it); reading resumes where they stopped.
void runPiped(Runner& runner) {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string command = tala::interp::normalizeCommandText(line);
        if (command.empty()) continue;
        runner.run(command);
    }
}

// A "!" line at the prompt; answers false when it ends the session.
bool runSessionCommand(const std::string& line) {
    tala::interp::CommandTokenizer tokens = tala::interp::CommandTokenizer::forShellCommands();
    tokens.setText(line);
    const std::string command = tokens.token(0);
    if (command == "!exit") return false;
    if (command == "!help") std::cout << tala::interp::helpText(talaGroups(), tokens.token(1));
    else std::cout << "Unknown '" << command << "': the session knows !help [WORD | PREFIX*] and !exit.\n";
    return true;
}

// At a terminal: a banner, the prompt, and line editing when standard output is a
// terminal too. "exit", "!exit" or Ctrl-D on an empty line leaves.
void runInteractive(Runner& runner) {
    std::optional<tala::interp::TerminalSession> terminal;
    if (tala::interp::TerminalSession::possible()) terminal.emplace();
    std::cout << "tala " << flock::kProjectVersion << ": type !help for the words, !exit or Ctrl-D to leave.\n";
    tala::interp::LineEditor editor("tala", ".tala_history", tala::interp::wordList(talaGroups()));
    for (;;) {
        tala::interp::discardStoppingKeys();
        const std::optional<std::string> typed = editor.readLine("tala> ");
        if (!typed) break;
        editor.remember(*typed);
        const std::string command = tala::interp::normalizeCommandText(*typed);
        if (command.empty()) continue;
        if (command == "exit") break;
        if (command[0] != '!') runner.run(command);
        else if (!runSessionCommand(command)) break;
    }
}

#ifdef TALA_HAS_DECISION_LIBRARY
// Takes "--threads N" and "--threads=N" (before any "--") out of the arguments and sets
// the training threads; a bad or missing count is named and the default kept.
void takeThreadsOption(int& argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            while (i < argc) argv[kept++] = argv[i++];
            break;
        }
        if (argument.starts_with("--threads=")) {
            vex::setTrainingThreads(argument.substr(10), "--threads");
        } else if (argument == "--threads") {
            if (i + 1 < argc) vex::setTrainingThreads(argv[++i], "--threads");
            else vex::setTrainingThreads("", "--threads");
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef TALA_HAS_DECISION_LIBRARY
    takeThreadsOption(argc, argv);
#endif
    std::vector<std::string> files;
    if (const std::optional<int> status = tala::interp::readCommandLine(argc, argv, kProgram, files)) return *status;
    std::optional<std::vector<std::string>> commands;
    if (!files.empty()) {
        commands = tala::interp::scriptFileCommands(kProgram.name, files);
        if (!commands) return 1;
    }
    Runner runner;
    if (commands) {
        for (const std::string& command : *commands) runner.run(command);
    } else if (isatty(STDIN_FILENO) == 1) {
        runInteractive(runner);
    } else {
        runPiped(runner);
    }
    std::cout << std::flush;
    return runner.anyFailed() ? 1 : 0;
}
