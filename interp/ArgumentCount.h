#pragma once
// The notice for a call with more arguments than its word takes, or fewer than it needs:
// one line on standard error naming the word, what it takes and what was left over,
// counted as a problem of the run. What the word does with the call is not changed.

#include <string>
#include <string_view>

#include "interp/CommandTokenizer.h"
#include "interp/DispatchTable.h"

namespace tala::interp {

// Whether the call of `tokens` (token 0 is the word) fits `arity`; when it does not, the
// notice is given. A trailing empty token (a blank at the end) is no argument. A word
// whose missing arguments the language already defines (they read as empty) passes
// `missingAllowed`.
// When the call is the whole text of a script file, `scriptFile` names the file, and a
// notice whose extra arguments look like commands says that a file is one command.
void checkArgumentCount(const CommandTokenizer& tokens, Arity arity, std::string_view scriptFile = {},
                        bool missingAllowed = false);

// The file word marks the text it runs next as script file `fileName`; the command that
// runs that text takes the mark (and clears it) before it runs anything else.
void expectScriptFile(std::string_view fileName);
std::string takeScriptFile();

// "takes 1 argument", "takes 1 or 2 arguments", "takes at least 2 arguments", ...
std::string takesText(Arity arity);

}  // namespace tala::interp
