#pragma once
// The interactive console of the typed language: reads lines from standard input,
// evaluates each against a variable table and prints its result.
//
// The evaluator lives one level up; the shell receives it as a callback so that
// this library does not depend on it.

#include <functional>
#include <string>
#include <vector>

#include "interp/DispatchTable.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"

namespace tala::interp {

// Evaluates one normalised line against the table's global list into result.
using ShellEvaluator = std::function<void(VariableTable& table, const std::string& line, Variable& result)>;

// Longest part of an input line that is taken; the rest of a longer line is skipped.
inline constexpr std::size_t kShellLineLimit = 2045;

// Runs until "exit", "!exit" or the end of standard input. "!help [WORD | PREFIX*]" shows
// help on the words of `groups`. Inside a terminal session the lines are edited, kept in
// ~/.morrow_history and completed from the groups' words, and Ctrl-D on an empty line
// ends the shell.
void shell(VariableTable& table, const ShellEvaluator& evaluator, const std::vector<GroupDoc>& groups = {});

}  // namespace tala::interp
