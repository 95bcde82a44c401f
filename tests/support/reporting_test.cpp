// Every line a word prints about a mistake and goes on after counts as one problem;
// ordinary output counts as none. The handler (tala --strict) is told of each.

#include <gtest/gtest.h>

#include <string>

#include "interp/InterpreterHost.h"
#include "support/Reporting.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

struct Case {
    const char* command;
    unsigned problems;
};

TEST(Problems, ObjectLanguageCountsEachMistakeLine) {
    InterpreterHost host;
    OutputCapture out;
    unsigned handled = 0;
    setProblemHandler([&] { ++handled; });
    for (const Case& c : {Case{"print 1", 0}, Case{"frobnicate 1", 1}, Case{"while abc (print 1)", 1},
                          Case{"begin (bogus 1) (bogus 2)", 2}}) {
        const unsigned before = problemCount();
        host.runCommand(c.command);
        EXPECT_EQ(problemCount() - before, c.problems) << c.command;
    }
    setProblemHandler({});
    EXPECT_EQ(handled, 4u);
}

}  // namespace
