#pragma once
// What a run reports besides raised failures, counted in one place.
//
// A problem is a mistake the run went on after: a syntax-error line, a file that could not
// be opened or written, a decision-library "Error: ..." line, or a notice on standard error
// naming a misuse. The caller prints the specified line where it always did and notes the
// problem here; `warn` writes an extra explanation to standard error and notes it too.
// Programs read the count for their exit status and may install a handler that ends the
// run at the first problem (tala --strict).
//
// Chatter is what the decision library prints on its own (sizes, training's progress
// lines); `--quiet` turns it off. What a script asks to print is never chatter.

#include <functional>
#include <string>

namespace support {

void noteProblem();
void warn(const std::string& text);  // text + "\n" on standard error, then noteProblem()
// text + "\n" on standard error, not counted: it explains a failure about to be raised,
// which is counted (and stops a --strict run) once its own text is printed.
void explain(const std::string& text);
unsigned problemCount();
void setProblemHandler(std::function<void()> handler);  // called after each noted problem

void setQuiet(bool quiet);
bool quiet();

}  // namespace support
