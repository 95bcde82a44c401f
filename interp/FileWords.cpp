// Script files, their search path, and command modules.

#include <filesystem>
#include <optional>
#include <string>

#include "interp/ArgumentCount.h"
#include "interp/InterpreterWords.h"
#include "support/OutputFile.h"
#include "support/Reporting.h"

namespace tala::interp::words {

using support::cannotOpenFileText;
using support::holdsNulByte;
using support::reportFileFailure;
using support::warn;

namespace {

void word_path(InterpreterCall& c) {
    const std::string folder = c.stringArg(1);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        warn("path: there is no folder '" + folder + "', so file, load_module and finalize find nothing there");
    c.interpreter.addSearchDirectory(folder);
}

// The whole file is one command, run in this command's local copy with fresh off.
void word_file(InterpreterCall& c) {
    const std::string fileName = c.arg(1);
    std::string reason;
    std::optional<std::string> text = readScriptFile(fileName, &reason);
    for (const std::string& directory : c.interpreter.searchPath()) {
        if (text) break;
        text = readScriptFile(directory + "/" + fileName);
    }
    if (!text) {
        reportFileFailure(cannotOpenFileText(fileName), holdsNulByte(fileName) ? std::string() : reason);
        return;
    }
    if (!text->empty()) *text = normalizeCommandText(*text);
    checkBracketDepth(*text, kNesting);
    expectScriptFile(fileName);
    c.interpreter.execute(*text, c.local, c.result, c.libraries, c.global, false);
}

void word_load_module(InterpreterCall& c) { c.interpreter.loadModule(c.stringArg(1)); }

constexpr WordEntry kFileWords[] = {
    {"path", word_path, "DIRECTORY", "Adds DIRECTORY to the places file and load_module look in.", "path scripts"},
    {"file", word_file, "FILE",
     "Runs the script FILE (raw text, looked for here, then along the path) as one command.", "file setup.txt"},
    {"load_module", word_load_module, "MODULE", "Loads the command library of the module file MODULE.",
     "load_module libexample.so"},
};

}  // namespace

WordGroup fileWords() { return {"files", kFileWords}; }

}  // namespace tala::interp::words
