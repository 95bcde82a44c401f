#include "interp/BoundedLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "linalg/MemoryBudget.h"
#include "tests/support/StreamCapture.h"

namespace {

using tala::interp::readLineWithinBudget;

// Lines as std::getline gives them, however long, across the pieces' edges.
TEST(BoundedLine, ReadsLinesAsGetlineDoes) {
    const std::string longLine(200000, 'x'), edge(65535, 'e');
    const std::string texts[] = {"a\n\nb", "one\ntwo\n", longLine + "\nz", edge + "\n" + edge, "", "\n"};
    for (const std::string& text : texts) {
        std::istringstream expected(text), actual(text);
        std::string want, got;
        for (;;) {
            const bool more = static_cast<bool>(std::getline(expected, want));
            ASSERT_EQ(readLineWithinBudget(actual, got), more) << text.substr(0, 20);
            if (!more) break;
            EXPECT_EQ(got, want);
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

}  // namespace
