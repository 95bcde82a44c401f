#pragma once
// The command-line conventions of the project's programs: --help, --version, usage
// errors with exit status 2, and script files named on the command line.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tala::interp {

struct ProgramInfo {
    std::string_view name;   // as the user types it, "morrow"
    std::string_view usage;  // the help text: usage line, options, where to read more
    // The word reference of the program's language, for --reference; null when the
    // program has no words.
    std::string (*reference)() = nullptr;
};

// A command line that cannot be followed; the text says what is wrong, in one line.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of the option being read: the text after "=" ("--seed=7"), else the next
// argument ("--seed 7").
class OptionValue {
public:
    OptionValue(std::string option, std::optional<std::string> attached, int& index, int argc, char** argv)
        : option_(std::move(option)), attached_(std::move(attached)), index_(index), argc_(argc), argv_(argv) {}
    // Raises CommandLineError when the option has no value.
    std::string take();
    bool taken() const { return taken_; }

private:
    std::string option_;
    std::optional<std::string> attached_;
    int& index_;
    int argc_;
    char** argv_;
    bool taken_ = false;
};

// A program's own options: answers whether `option` ("--seed") is one of them, taking
// its value from `value` when it has one. Raises CommandLineError for a bad value.
using OwnOptions = std::function<bool(const std::string& option, OptionValue& value)>;

// Reads a program's options. Answers the exit status when the program is done at once:
// --help (or -h) prints the usage on standard output (0), --version the name and the
// project's version (0), --reference (where the program has words) the word reference
// (0), an unknown option or a bad value a complaint and the usage on standard error (2).
// Otherwise fills `operands` with the other arguments ("--" ends the options) and
// answers nothing.
std::optional<int> readCommandLine(int argc, char** argv, const ProgramInfo& program,
                                   std::vector<std::string>& operands, const OwnOptions& own = {});

// The value of --seed: a whole number from 0 to the largest unsigned int.
unsigned readSeed(const std::string& option, const std::string& text);

// The "file" commands that run the named scripts, in order. When a file cannot be run,
// prints "<program>: cannot open '<file>': <reason>" on standard error for each such
// file and answers nothing.
std::optional<std::vector<std::string>> scriptFileCommands(std::string_view program,
                                                          const std::vector<std::string>& files);

}  // namespace tala::interp
