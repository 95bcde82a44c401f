// tala: runs object-level scripts the way an agent's interpreter host does.
//   tala FILE...   runs "file FILE" for each FILE in turn
//   tala           at a terminal, an interactive session with a prompt; otherwise runs
//                  each non-empty line of standard input as one command, normalised
//                  the way script files are (so indentation and blank lines are harmless)
// A failure raised by a command is printed as "Error: <text>" and the run goes on;
// the exit status is 1 when any command failed, else 0. With --strict the first
// problem the run reports ends it with status 1.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "interp/BoundedLine.h"
#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "interp/Interpreter.h"
#include "support/LineEditor.h"
#include "interp/Shell.h"
#include "interp/ScriptFiles.h"
#include "support/Reporting.h"
#include "interp/WordHelp.h"
#include "support/Failure.h"
#include "support/ProgramOptions.h"
#include "support/ProjectVersion.h"

#include "decision/TrainingThreads.h"
#include "decision/VEXCommands.h"

namespace {

using tala::interp::CommandLibrary;

const support::ProgramInfo kProgram{
    "tala",
    "Usage: tala [OPTION]... [FILE]...\n"
    "The object-level script language with the decision library. Runs each FILE with the\n"
    "language's file word; with no FILE, runs each line of standard input as a command, or,\n"
    "at a terminal, opens an interactive session (line editing, history in ~/.tala_history,\n"
    "Tab completion; !help lists the words and !help WORD describes one).\n"
    "\n"
    "Options:\n"
    "  --data DIR   add DIR to the folders the file word and finalize search (as path DIR)\n"
    "  --strict     end the run with status 1 at the first problem it reports (a syntax\n"
    "               error, a file that cannot be opened, an Error: line, a misuse notice)\n"
    "  --quiet      leave out the decision library's own chatter: sizes, training's\n"
    "               generation, mutation and DEBUG lines (a terminal still shows progress)\n"
    "  --seed N     seed the random generator with N: runs with one seed repeat exactly\n"
    "  -h, --help   print this help and exit\n"
    "  --version    print the version and exit\n"
    "  --reference  print the reference of every word and command (Markdown) and exit\n"
    "  --threads N  evaluate training candidates on N threads (default: FLOCK_THREADS,\n"
    "               else the number of processors)\n"
    "\n"
    "Exit status: 0; 1 when a file named here could not be opened or a command raised a\n"
    "failure (tala printed \"Error: ...\"), and with --strict at the first problem;\n"
    "2 for a bad option.\n"
    "The language and all its words: docs/tala.md (installed under share/doc/QuantumFlock).\n",
    [] { return tala::interp::referenceText(vex::talaWordGroups()); },
};

// The libraries plugged into tala's host: the one place to add a library.
std::vector<std::unique_ptr<CommandLibrary>> talaLibraries() {
    std::vector<std::unique_ptr<CommandLibrary>> libraries;
    libraries.push_back(std::make_unique<vex::VEXCommands>());
    return libraries;
}

// The options tala reads besides the common ones.
const std::vector<support::OptionRow> kTalaOptions = {
    {"--data", true}, {"--strict"}, {"--quiet"}, {"--seed", true}, {"--threads", true},
};

struct TalaOptions {
    std::vector<std::string> dataFolders;  // --data, in order
    bool strict = false;
    bool quiet = false;
    std::optional<unsigned> seed;

    void read(const std::string& option, const std::string& value) {
        if (option == "--data") {
            std::error_code error;
            if (!std::filesystem::is_directory(value, error))
                throw support::CommandLineError("--data needs a folder, and '" + value + "' is none");
            dataFolders.push_back(value);
        } else if (option == "--strict") {
            strict = true;
        } else if (option == "--quiet") {
            quiet = true;
        } else if (option == "--seed") {
            seed = support::readSeed(option, value);
        } else {
            // --threads: a bad count is named and training keeps its default.
            vex::setTrainingThreads(value, "--threads");
        }
    }
};

// --strict: the first problem ends the run, after what was printed before it.
void stopAtFirstProblem() {
    std::cout.flush();
    std::cerr << "tala: stopped at the first problem (--strict)\n";
    std::cerr.flush();
    std::fflush(nullptr);
    // Not exit(): the run is stopped inside a command, with its objects still in use.
    std::_Exit(1);
}

constexpr std::string_view kUserBreak = "Error: User break.";

class Runner {
public:
    Runner() : host_(talaLibraries()) {}

    tala::interp::InterpreterHost& host() { return host_; }

    void run(const std::string& command) {
        try {
            host_.runCommand(command);
        } catch (const std::exception& failure) {
            // A script's failure, or one not raised by the scripts' own rules (out of
            // memory, for one): reported the same way so that the run goes on.
            report(failure.what());
        }
    }

    bool anyFailed() const { return anyFailed_; }
    // A line that could not even be read.
    void refuse(const char* message) { report(message); }

private:
    void report(const char* message) {
        // A stopped loop's text says Error itself.
        if (std::string_view(message) != kUserBreak) std::cout << "Error: ";
        std::cout << message << "\n";
        anyFailed_ = true;
        support::noteProblem();
    }

    tala::interp::InterpreterHost host_;
    bool anyFailed_ = false;
};

// Each non-empty line of standard input is one command. std::cin is shared with
// commands that read input themselves (a shell opened by a command reads the lines
// after it); reading resumes where they stopped.
void runPiped(Runner& runner) {
    std::string line;
    for (;;) {
        try {
            if (!tala::interp::readLineWithinBudget(std::cin, line)) break;
        } catch (const support::Failure& failure) {
            runner.refuse(failure.what());
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string command = tala::interp::normalizeCommandText(line);
        if (command.empty()) continue;
        runner.run(command);
    }
}

// The global objects, each with its type, as morrow's !state lists its variables.
void printGlobals(const tala::interp::ObjectList& globals) {
    std::cout << "State List:\n";
    for (const tala::interp::Object& object : globals) {
        std::string type;
        switch (object.type) {
            case tala::interp::ObjectType::String: type = "String"; break;
            case tala::interp::ObjectType::Integer: type = "Integer"; break;
            case tala::interp::ObjectType::Double: type = "Double"; break;
            case tala::interp::ObjectType::UserType: {
                using Held = std::unique_ptr<tala::interp::UserObject>;
                const Held* value = object.hasData() ? std::get_if<Held>(object.data.get()) : nullptr;
                type = value != nullptr && *value ? (*value)->typeName() : "(empty)";
                break;
            }
            default: type = "(unknown)";
        }
        std::cout << "<" << type << ", " << object.name << ">\n";
    }
}

// At a terminal: a banner, the prompt, and line editing when standard output is a
// terminal too. "exit", "!exit" or Ctrl-D on an empty line leaves.
void runInteractive(Runner& runner) {
    std::optional<support::TerminalSession> terminal;
    if (support::TerminalSession::possible()) terminal.emplace();
    std::cout << "tala " << support::kProjectVersion << ": type !help for the words, !exit or Ctrl-D to leave.\n";
    const auto command = [&](const std::string& name) {
        if (name == "!state") printGlobals(runner.host().interpreter().globals());
        else std::cout << "Unknown '" << name << "': the session knows !help [WORD | PREFIX*], !state and !exit.\n";
    };
    tala::interp::runSession({.program = "tala", .historyName = ".tala_history", .prompt = "tala> ",
                              .groups = vex::talaWordGroups(), .normalizeLines = true,
                              .run = [&](const std::string& line) { runner.run(line); }, .command = command});
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    TalaOptions options;
    const auto readOption = [&](const std::string& option, const std::string& value) { options.read(option, value); };
    if (const std::optional<int> status =
            support::readCommandLine(argc, argv, kProgram, kTalaOptions, readOption, files))
        return *status;
    // Without --seed the generator keeps the C library's own start.
    if (options.seed) std::srand(*options.seed);
    support::setQuiet(options.quiet);
    if (options.strict) support::setProblemHandler(stopAtFirstProblem);
    std::optional<std::vector<std::string>> commands;
    if (!files.empty()) {
        commands = tala::interp::scriptFileCommands(kProgram.name, files);
        if (!commands) return 1;
    }
    Runner runner;
    for (const std::string& folder : options.dataFolders) runner.host().interpreter().addSearchDirectory(folder);
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
