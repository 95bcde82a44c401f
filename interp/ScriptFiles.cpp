#include "interp/ScriptFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "interp/CommandTokenizer.h"
#include "support/FileReplace.h"
#include "support/OutputFile.h"

namespace tala::interp {

using support::openForReading;
using support::shownFileName;

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
