#pragma once
// The command-line conventions of the project's programs: options read in order with
// getopt_long, "--name value" or "--name=value"; --help, --version, and usage errors
// with exit status 2.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace support {

struct ProgramInfo {
    std::string name;   // as the user types it, "morrow"
    std::string help;   // for --help: usage line, options, where to read more
    // The word reference of the program's language, for --reference; null when the
    // program has no words.
    std::string (*reference)() = nullptr;
    // Printed under a usage error's complaint; empty: the help.
    std::string synopsis = {};
};

// --help: the help on standard output. Answers the exit status, 0.
int printHelp(const ProgramInfo& program);
// --version: "<name> <project version>". Answers 0.
int printVersion(const ProgramInfo& program);
// A usage error: "<name>: <complaint>" and the synopsis on standard error. Answers 2.
int refuseCommandLine(const ProgramInfo& program, const std::string& complaint);

// A command line that cannot be followed; the text says what is wrong, in one line.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionRow {
    std::string_view name;  // "--seed"; -h is read as --help
    bool takesValue = false;
    // Given a value it does not take ("--help=x"), it is no option of the program at all.
    bool valueMakesItUnknown = false;
};

// Reads a command line's arguments in order.
class OptionReader {
public:
    enum class Kind {
        Option,   // one of the options, with its value when it takes one
        Operand,  // not an option; "-" is one
        Unknown,  // no option of the program (text() says what was given)
        End,      // "--": what follows are operands
    };

    OptionReader(std::vector<std::string> arguments, std::vector<OptionRow> options);
    OptionReader(const OptionReader&) = delete;  // getopt_long reads through pointers into it
    OptionReader& operator=(const OptionReader&) = delete;

    // Reads the next argument; false after the last. Raises CommandLineError for an
    // option without its value ("--seed needs a value") or with one it does not take
    // ("--quiet takes no value").
    bool next();
    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }    // the option's name
    const std::string& value() const { return value_; }  // its value, or the operand
    const std::string& text() const { return text_; }    // the argument as given

private:
    std::vector<std::string> arguments_;
    std::vector<OptionRow> options_;
    std::vector<char*> argv_;
    bool ended_ = false;  // after "--"
    std::size_t operand_ = 0;
    Kind kind_ = Kind::Operand;
    std::string name_, value_, text_;
};

// Reads a program's options besides --help, -h, --version and --reference. Answers the
// exit status when the program is done at once: --help prints the help on standard
// output (0), --version the name and the project's version (0), --reference (where the
// program has words) the word reference (0), an unknown option or a bad value a
// complaint and the usage on standard error (2). Otherwise fills `operands` with the
// other arguments and answers nothing. `read` is given each of `own` with its value
// and raises CommandLineError for a bad value.
using ReadOption = std::function<void(const std::string& option, const std::string& value)>;
std::optional<int> readCommandLine(int argc, char** argv, const ProgramInfo& program, const std::vector<OptionRow>& own,
                                   const ReadOption& read, std::vector<std::string>& operands);

// The value of --seed: a whole number from 0 to the largest unsigned int.
unsigned readSeed(const std::string& option, const std::string& text);

}  // namespace support
