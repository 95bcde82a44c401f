// Script files, their search path, and command modules.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "interp/InterpreterWords.h"
#include "interp/OutputFile.h"

namespace tala::interp::words {

namespace {

// The file's characters with every line end turned into a blank; nothing when the
// name is not a readable regular file.
std::optional<std::string> readScript(const std::string& fileName) {
    std::error_code error;
    if (holdsNulByte(fileName) || !std::filesystem::is_regular_file(fileName, error)) return std::nullopt;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& ch : text)
        if (ch == '\n' || ch == '\r') ch = ' ';
    return text;
}

void word_path(Command& c) { c.interpreter.addSearchDirectory(c.stringArg(1)); }

// The whole file is one command, run in this command's local copy with fresh off.
void word_file(Command& c) {
    const std::string fileName = c.arg(1);
    std::optional<std::string> text = readScript(fileName);
    for (const std::string& directory : c.interpreter.searchPath()) {
        if (text) break;
        text = readScript(directory + "/" + fileName);
    }
    if (!text) {
        std::cout << cannotOpenFileText(fileName) << "\n";
        return;
    }
    if (!text->empty()) *text = normalizeCommandText(*text);
    checkBracketDepth(*text, kNesting);
    c.interpreter.execute(*text, c.local, c.result, c.libraries, c.global, false);
}

void word_load_module(Command& c) { c.interpreter.loadModule(c.stringArg(1)); }

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
