#pragma once
// The command-line conventions of the project's programs: --help, --version, usage
// errors with exit status 2, and script files named on the command line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tala::interp {

struct ProgramInfo {
    std::string_view name;   // as the user types it, "morrow"
    std::string_view usage;  // the help text: usage line, options, where to read more
    // The word reference of the program's language, for --reference; null when the
    // program has no words.
    std::string (*reference)() = nullptr;
};

// Reads a program's options. Answers the exit status when the program is done at once:
// --help prints the usage on standard output (0), --version the name and the project's
// version (0), --reference (where the program has words) the word reference (0), an
// unknown option a complaint and the usage on standard error (2).
// Otherwise fills `operands` with the other arguments ("--" ends the options) and
// answers nothing.
std::optional<int> readCommandLine(int argc, char** argv, const ProgramInfo& program,
                                   std::vector<std::string>& operands);

// The "file" commands that run the named scripts, in order. When a file cannot be run,
// prints "<program>: cannot open '<file>': <reason>" on standard error for each such
// file and answers nothing.
std::optional<std::vector<std::string>> scriptFileCommands(std::string_view program,
                                                          const std::vector<std::string>& files);

}  // namespace tala::interp
