#include "interp/Shell.h"

#include <exception>
#include <iostream>
#include <optional>
#include <sstream>

#include "interp/CommandTokenizer.h"
#include "support/ConsoleKeys.h"
#include "support/LineEditor.h"
#include "support/Reporting.h"
#include "interp/WordHelp.h"
#include "support/ScriptOutput.h"

namespace tala::interp {

namespace {

// Reads one line of at most kShellLineLimit characters and skips the rest of a
// longer one. False only when the input has ended before any character.
bool readLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    using Traits = std::char_traits<char>;
    int c = buffer->sbumpc();
    if (c == Traits::eof()) return false;
    bool cut = false;
    while (c != Traits::eof() && c != '\n') {
        if (line.size() < kShellLineLimit) line.push_back(static_cast<char>(c));
        else cut = cut || c != '\r';
        c = buffer->sbumpc();
    }
    if (cut) std::cerr << "Line longer than " << kShellLineLimit << " characters: only the first " << kShellLineLimit << " are used.\n";
    // Lines written on other systems end in "\r\n".
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void evaluateLine(VariableTable& table, const ShellEvaluator& evaluator, std::string line, Variable& result) {
    if (!line.empty()) line = normalizeCommandText(line);
    try {
        evaluator(table, line, result);
    } catch (const std::exception& failure) {
        // Whatever a command raises, the session survives it.
        tala::out() << "Error: " << failure.what() << "\n";
        noteProblem();
    }
    result.print(tala::out(), true, 0);
}

// A "!" line; answers false when it ends the session.
bool runShellCommand(VariableTable& table, const std::vector<GroupDoc>& groups, const std::string& line) {
    CommandTokenizer tokens = CommandTokenizer::forShellCommands();
    tokens.setText(line);
    const std::string command = tokens.token(0);
    if (command == "!exit") return false;
    if (command == "!state") table.printState();
    if (command == "!clear") table.clear();
    if (command == "!help") tala::out() << helpText(groups, tokens.token(1));
    return true;
}

constexpr const char* kPrompt = "Morrow > ";

// Reads the next line after the prompt: from the editor at a terminal, else from
// standard input. An edited line is cut to the limit as a piped one is.
bool nextLine(std::optional<LineEditor>& editor, Variable& result, std::string& line) {
    if (!editor) tala::out() << kPrompt << std::flush;
    // The previous line's value lives until the next prompt.
    result.release();
    if (!editor) return readLine(std::cin, line);
    discardStoppingKeys();
    const std::optional<std::string> typed = editor->readLine(kPrompt);
    if (!typed) return false;
    editor->remember(*typed);
    std::istringstream in(*typed);
    readLine(in, line);
    return true;
}

}  // namespace

void shell(VariableTable& table, const ShellEvaluator& evaluator, const std::vector<GroupDoc>& groups) {
    tala::out() << "Morrow Scripter (Morrow) v." << "0.80.1.13" << "\n" << "\n";
    std::optional<LineEditor> editor;
    if (TerminalSession::isOpen()) editor.emplace("morrow", ".morrow_history", wordList(groups));
    Variable result;
    std::string line;
    for (;;) {
        if (!nextLine(editor, result, line)) break;
        if (line == "exit") break;
        if (line.empty() || line[0] != '!') {
            evaluateLine(table, evaluator, line, result);
        } else if (!runShellCommand(table, groups, line)) {
            break;
        }
        tala::out() << "\n\n";
    }
    tala::out().flush();
}

}  // namespace tala::interp
