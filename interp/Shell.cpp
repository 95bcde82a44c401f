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

using support::LineEditor;
using support::discardStoppingKeys;
using support::noteProblem;

namespace {

// Reads one line of at most `limit` characters and skips the rest of a longer one.
// False only when the input has ended before any character.
bool readLine(std::istream& in, std::string& line, std::size_t limit) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    using Traits = std::char_traits<char>;
    int c = buffer->sbumpc();
    if (c == Traits::eof()) return false;
    bool cut = false;
    while (c != Traits::eof() && c != '\n') {
        if (line.size() < limit) line.push_back(static_cast<char>(c));
        else cut = cut || c != '\r';
        c = buffer->sbumpc();
    }
    if (cut) std::cerr << "Line longer than " << limit << " characters: only the first " << limit << " are used.\n";
    // Lines written on other systems end in "\r\n".
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Reads the next line after the prompt: from the editor at a terminal, else from
// standard input. A line is cut to the session's limit, typed or piped.
bool nextLine(const Session& session, LineEditor& editor, std::string& line) {
    const bool plain = session.lineLimit > 0 && !editor.editing();
    if (plain) support::out() << session.prompt << std::flush;
    if (session.beforeLine) session.beforeLine();
    if (plain) return readLine(std::cin, line, session.lineLimit);
    discardStoppingKeys();
    const std::optional<std::string> typed = editor.readLine(session.prompt);
    if (!typed) return false;
    editor.remember(*typed);
    if (session.lineLimit == 0) {
        line = *typed;
        return true;
    }
    std::istringstream in(*typed);
    readLine(in, line, session.lineLimit);
    return true;
}

// A "!" line; answers false when it ends the session.
bool runSessionCommand(const Session& session, const std::string& line) {
    CommandTokenizer tokens = CommandTokenizer::forShellCommands();
    tokens.setText(line);
    const std::string command = tokens.token(0);
    if (command == "!exit") return false;
    if (command == "!help") support::out() << helpText(session.groups, tokens.token(1));
    else session.command(command);
    return true;
}

}  // namespace

void runSession(const Session& session) {
    LineEditor editor(session.program, session.historyName, wordList(session.groups));
    std::string line;
    while (nextLine(session, editor, line)) {
        if (session.normalizeLines) {
            line = normalizeCommandText(line);
            if (line.empty()) continue;
        }
        if (line == "exit") break;
        if (line.empty() || line[0] != '!') session.run(line);
        else if (!runSessionCommand(session, line)) break;
        support::out() << session.afterLine;
    }
    support::out().flush();
}

void shell(VariableTable& table, const ShellEvaluator& evaluator, const std::vector<GroupDoc>& groups) {
    support::out() << "Morrow Scripter (Morrow) v." << "0.80.1.13" << "\n" << "\n";
    Variable result;
    const auto evaluate = [&](std::string line) {
        if (!line.empty()) line = normalizeCommandText(line);
        try {
            evaluator(table, line, result);
        } catch (const std::exception& failure) {
            // Whatever a command raises, the session survives it.
            support::out() << "Error: " << failure.what() << "\n";
            noteProblem();
        }
        result.print(support::out(), true, 0);
    };
    const auto command = [&](const std::string& name) {
        if (name == "!state") table.printState();
        if (name == "!clear") table.clear();
    };
    // The previous line's value lives until the next line is read.
    runSession({.program = "morrow", .historyName = ".morrow_history", .prompt = "Morrow > ", .groups = groups,
                .lineLimit = kShellLineLimit, .beforeLine = [&] { result.release(); }, .run = evaluate,
                .command = command, .afterLine = "\n\n"});
}

}  // namespace tala::interp
