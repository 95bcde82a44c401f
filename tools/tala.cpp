// tala: runs object-level scripts the way an agent's interpreter host does.
//   tala FILE...   runs "file FILE" for each FILE in turn
//   tala           runs each non-empty line of standard input as one command,
//                  normalised the way script files are (so indentation and blank
//                  lines are harmless)
// A failure raised by a command is printed as "Error: <text>" and the run goes on;
// the exit status is 1 when any command failed, else 0.

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "linalg/Failure.h"

#if __has_include("decision/VEXCommands.h")
#include "decision/VEXCommands.h"
#define TALA_HAS_DECISION_LIBRARY 1
#endif

namespace {

using tala::interp::CommandLibrary;

// The libraries plugged into tala's host: the one place to add a library.
std::vector<std::unique_ptr<CommandLibrary>> talaLibraries() {
    std::vector<std::unique_ptr<CommandLibrary>> libraries;
#ifdef TALA_HAS_DECISION_LIBRARY
    libraries.push_back(std::make_unique<vex::VEXCommands>());
#endif
    return libraries;
}

// Quotes a file name that the tokenizer would otherwise split.
std::string fileCommand(const std::string& name) {
    if (name.find_first_of(" ,\t") == std::string::npos) return "file " + name;
    return "file \"" + name + "\"";
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

}  // namespace

int main(int argc, char** argv) {
    Runner runner;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) runner.run(fileCommand(argv[i]));
    } else {
        // std::cin is shared with commands that read input themselves (a shell opened
        // by a command reads the lines after it); reading resumes where they stopped.
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string command = tala::interp::normalizeCommandText(line);
            if (command.empty()) continue;
            runner.run(command);
        }
    }
    std::cout << std::flush;
    return runner.anyFailed() ? 1 : 0;
}
