#pragma once
// The interactive sessions of the languages: a prompt, lines read from standard input
// (edited, kept in a history in the home folder and completed from the words inside a
// terminal session), "!" commands and "exit".

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "interp/DispatchTable.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"

namespace tala::interp {

// What makes one program's session its own; the loop is runSession's.
struct Session {
    std::string program{};      // names the editor in ~/.editrc: "morrow"
    std::string historyName{};  // the history file in the home folder: ".morrow_history"
    std::string prompt{};
    std::vector<GroupDoc> groups{};  // the words of !help [WORD | PREFIX*] and of Tab
    // Longest part of a line that is taken, the rest skipped; lines read without the
    // editor are then read by the session itself. 0: whole lines, read by the editor.
    std::size_t lineLimit = 0;
    // Lines are normalised the way script files are, and blank ones skipped.
    bool normalizeLines = false;
    std::function<void()> beforeLine{};  // before each line is read
    // A line that is not a "!" command.
    std::function<void(const std::string& line)> run{};
    // A "!" command other than !exit and !help, by its name ("!state").
    std::function<void(const std::string& command)> command{};
    // Written after each line that does not end the session.
    std::string afterLine{};
};

// Runs until "exit", "!exit" or the end of standard input (Ctrl-D on an empty line).
void runSession(const Session& session);

// Evaluates one normalised line against the table's global list into result.
using ShellEvaluator = std::function<void(VariableTable& table, const std::string& line, Variable& result)>;

// Longest part of an input line that is taken; the rest of a longer line is skipped.
inline constexpr std::size_t kShellLineLimit = 2045;

// The typed language's shell: evaluates each line against the table and prints its
// result. "!state" and "!clear" show and empty the table; the history is
// ~/.morrow_history.
void shell(VariableTable& table, const ShellEvaluator& evaluator, const std::vector<GroupDoc>& groups = {});

}  // namespace tala::interp
