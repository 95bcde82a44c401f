// Every line a typed-language word prints about a mistake and goes on after counts as
// one problem; ordinary output counts as none.

#include <gtest/gtest.h>

#include "support/Reporting.h"
#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

struct Case {
    const char* command;
    unsigned problems;
};

TEST(Problems, EachMistakeLineCountsOnce) {
    VariableTable table;
    OutputCapture out;
    for (const Case& c : {Case{"print 1", 0}, Case{"frobnicate 1", 1}, Case{"while 1.5 (print 1)", 1},
                          Case{"new space Q 0", 1}, Case{"comp.lt 1 1.5", 1}, Case{"new integer temp", 1}}) {
        const unsigned before = problemCount();
        Variable result;
        qlang::evaluate(table, c.command, table.variables, result, false, true);
        EXPECT_EQ(problemCount() - before, c.problems) << c.command << ": " << out.take();
    }
}

}  // namespace
