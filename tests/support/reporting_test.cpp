// Every line a word prints about a mistake and goes on after counts as one problem;
// ordinary output counts as none. The handler (tala --strict) is told of each.
#include <gtest/gtest.h>
#include <utility>
#include "interp/InterpreterHost.h"
#include "support/Reporting.h"
#include "testsupport/StreamCapture.h"
using support::problemCount;
using support::setProblemHandler;

TEST(Problems, ObjectLanguageCountsEachMistakeLine) {
    tala::interp::InterpreterHost host;
    OutputCapture out;
    unsigned handled = 0;
    setProblemHandler([&] { ++handled; });
    const std::pair<const char*, unsigned> cases[] = {
        {"print 1", 0}, {"frobnicate 1", 1}, {"while abc (print 1)", 1}, {"begin (bogus 1) (bogus 2)", 2}};
    for (const auto& [command, problems] : cases) {
        const unsigned before = problemCount();
        host.runCommand(command);
        EXPECT_EQ(problemCount() - before, problems) << command;
    }
    setProblemHandler({});
    EXPECT_EQ(handled, 4u);
}
