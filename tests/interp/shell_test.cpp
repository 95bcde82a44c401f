// The shell's reading of lines: normalising, cutting, failures, the session's own commands, the line budget.
#include "interp/Shell.h"
#include <gtest/gtest.h>
#include <new>
#include <sstream>
#include <string>
#include <vector>
#include "interp/BoundedLine.h"
#include "linalg/MemoryBudget.h"
#include "support/Failure.h"
#include "testsupport/StreamCapture.h"
using namespace tala::interp;
namespace {
using Lines = std::vector<std::string>;
const std::string kBanner = "Morrow Scripter (Morrow) v.0.80.1.13\n\n";
// Runs the shell on `input` with the given evaluator and returns what it printed.
std::string runShell(const std::string& input, const ShellEvaluator& evaluator) {
    VariableTable table;
    InputFeed in(input);
    OutputCapture out;
    shell(table, evaluator);
    return out.text();
}
}  // namespace

TEST(Shell, LinesReachTheEvaluatorNormalisedAndCut) {
    Lines seen;
    const std::string longLine(5000, 'x'), fullLine(kShellLineLimit, 'y');
    OutputCapture errors(std::cerr);
    runShell("  f(a  b)  \n\n" + longLine + "\nlast\n" + fullLine + "\r\n",
             [&](VariableTable&, const std::string& line, Variable&) { seen.push_back(line); });
    // The cut is told once for the long line, the rest of which is skipped; a line that just fits is not cut.
    EXPECT_EQ(errors.text(), "Line longer than 2045 characters: only the first 2045 are used.\n");
    EXPECT_EQ(seen, (Lines{"f (a b)", "", std::string(kShellLineLimit, 'x'), "last", fullLine}));
}

TEST(Shell, EveryKindOfFailureIsPrintedAndTheSessionGoesOn) {
    int calls = 0;
    auto failing = [&](VariableTable&, const std::string& line, Variable& result) {
        ++calls;
        if (line == "text") throw support::Failure("bad thing");
        if (line == "memory") throw std::bad_alloc();
        result.setInteger(calls);
    };
    const std::string out = runShell("text\nmemory\nok\nexit\nnever\n", failing);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(out, kBanner + "Morrow > Error: bad thing\nNULL\n\nMorrow > Error: std::bad_alloc\nNULL\n\n" +
                       "Morrow > integer temp = 3\n\nMorrow > ");
}

TEST(Session, NormalisedLinesSkipBlanksAndTheProgramsOwnCommandsAreAsked) {
    Lines ran, commands;
    InputFeed in("  f(a  b)\n\n   \n  !state x\n!help zzz\n  exit  \nnever\n");
    OutputCapture out;
    runSession({.prompt = "> ", .normalizeLines = true, .run = [&](const std::string& line) { ran.push_back(line); },
                .command = [&](const std::string& command) { commands.push_back(command); }});
    EXPECT_EQ(ran, Lines{"f (a b)"});
    EXPECT_EQ(commands, Lines{"!state"});  // !help is the session's own
    // Whole lines read without a terminal, each after its prompt; "exit" ends the session.
    EXPECT_EQ(out.text().substr(0, 6), "> > > ");
    EXPECT_EQ(in.rest(), "never\n");
}

// Lines as std::getline gives them, however long, across the pieces' edges.
TEST(BoundedLine, ReadsLinesAsGetlineDoes) {
    const std::string longLine(200000, 'x'), edge(65535, 'e');
    for (const std::string& text : Lines{"a\n\nb", "one\ntwo\n", longLine + "\nz", edge + "\n" + edge, "", "\n"}) {
        std::istringstream expected(text), actual(text);
        std::string want, got;
        for (bool more = true; more;) {
            more = static_cast<bool>(std::getline(expected, want));
            ASSERT_EQ(readLineWithinBudget(actual, got), more) << text.substr(0, 20);
            if (more) { EXPECT_EQ(got, want); }
        }
    }
}

TEST(BoundedLine, ALineOverTheFreeBudgetIsDroppedWithTheBudgetsMessage) {
    const std::int64_t saved = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryInUse() + 100000);
    std::istringstream in(std::string(300000, 'x') + "\nnext\n");
    std::string line;
    const std::string failure = failureOf([&] { readLineWithinBudget(in, line); });
    linalg::setMemoryBudget(saved);
    EXPECT_EQ(failure.substr(0, 50), "Not enough memory for a line of input: it needs 29");
    EXPECT_TRUE(line.empty());
    EXPECT_TRUE(readLineWithinBudget(in, line));
    EXPECT_EQ(line, "next");
}
