#include "interp/ProgramOptions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>

#include "ProjectVersion.h"
#include "interp/CommandTokenizer.h"
#include "support/FileReplace.h"
#include "support/OutputFile.h"

namespace tala::interp {

namespace {

// Why a script file cannot be read, or nothing. The file words read regular files only.
std::optional<std::string> unreadable(const std::string& path) {
    // Opened without waiting, so that a pipe is refused at once instead of waited on.
    const int fd = openForReading(path);
    if (fd < 0) return std::string(std::strerror(errno));
    struct stat status {};
    const bool statusKnown = ::fstat(fd, &status) == 0;
    const int error = errno;
    ::close(fd);
    if (!statusKnown) return std::string(std::strerror(error));
    if (S_ISDIR(status.st_mode)) return std::string(std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode)) return std::string("not a regular file");
    return std::nullopt;
}

// "file NAME", quoted when the name holds separators; nothing when the tokenizer would
// not give the name back (quotes and brackets cannot be written inside a name).
std::optional<std::string> fileCommand(const std::string& name) {
    const bool plain = !name.empty() && name.find_first_of(" ,\t") == std::string::npos;
    std::string command = plain ? "file " + name : "file \"" + name + "\"";
    CommandTokenizer tokens = CommandTokenizer::forScripts();
    tokens.setText(command);
    if (tokens.count() != 2 || tokens.token(1) != name) return std::nullopt;
    return command;
}

}  // namespace

std::string OptionValue::take() {
    taken_ = true;
    if (attached_) return *attached_;
    if (index_ + 1 >= argc_) throw CommandLineError(option_ + " needs a value");
    return argv_[++index_];
}

unsigned readSeed(const std::string& option, const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw CommandLineError(option + " needs a whole number from 0 to " +
                               std::to_string(std::numeric_limits<unsigned>::max()) + ", not '" + text + "'");
    return value;
}

std::optional<int> readCommandLine(int argc, char** argv, const ProgramInfo& program,
                                   std::vector<std::string>& operands, const OwnOptions& own) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            std::cout << program.usage << std::flush;
            return 0;
        } else if (argument == "--reference" && program.reference != nullptr) {
            std::cout << program.reference() << std::flush;
            return 0;
        } else if (argument == "--version") {
            std::cout << program.name << " " << flock::kProjectVersion << "\n" << std::flush;
            return 0;
        } else {
            // The program's own options, "--name value" or "--name=value".
            const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
            const std::string name = argument.substr(0, equals);
            std::optional<std::string> attached;
            if (equals != std::string::npos) attached = argument.substr(equals + 1);
            OptionValue value(name, attached, i, argc, argv);
            try {
                if (own && own(name, value)) {
                    if (attached && !value.taken()) throw CommandLineError(name + " takes no value");
                    continue;
                }
            } catch (const CommandLineError& error) {
                std::cerr << program.name << ": " << error.what() << "\n" << program.usage << std::flush;
                return 2;
            }
            std::cerr << program.name << ": unknown option '" << argument << "'\n" << program.usage << std::flush;
            return 2;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> scriptFileCommands(std::string_view program,
                                                          const std::vector<std::string>& files) {
    std::vector<std::string> commands;
    bool allReadable = true;
    for (const std::string& file : files) {
        std::optional<std::string> problem = unreadable(file);
        std::optional<std::string> command = fileCommand(file);
        if (!problem && !command) problem = "a name holding quotes or brackets cannot be run as a script";
        if (problem) {
            std::cerr << program << ": cannot open '" << shownFileName(file) << "': " << *problem << "\n";
            allReadable = false;
        } else {
            commands.push_back(*command);
        }
    }
    if (!allReadable) return std::nullopt;
    return commands;
}

}  // namespace tala::interp
