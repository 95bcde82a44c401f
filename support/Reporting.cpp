#include "support/Reporting.h"

#include <iostream>
#include "support/ScriptOutput.h"

namespace support {
namespace {
unsigned problems = 0;
std::function<void()> problemHandler;
bool quietChatter = false;
}  // namespace

void noteProblem() {
    ++problems;
    if (problemHandler) problemHandler();
}

void warn(const std::string& text) {
    explain(text);
    noteProblem();
}

void explain(const std::string& text) {
    out().flush();  // the explanation follows what was printed before it
    std::cerr << text << "\n";
}

unsigned problemCount() { return problems; }
void setProblemHandler(std::function<void()> handler) { problemHandler = std::move(handler); }

void setQuiet(bool quiet) { quietChatter = quiet; }
bool quiet() { return quietChatter; }

}  // namespace support
