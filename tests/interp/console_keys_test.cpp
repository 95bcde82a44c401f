#include "interp/ConsoleKeys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>
#include <sstream>

using namespace tala::interp;

// Piped input: keys come from the same stream as lines, and never count as a break.
TEST(ConsoleKeys, PipedInputIsReadInOrderAndNeverWaits) {
    if (isatty(STDIN_FILENO)) GTEST_SKIP() << "standard input is a terminal";
    std::istringstream input("ab\nrest of line\n");
    std::ostringstream echoed;
    auto* oldIn = std::cin.rdbuf(input.rdbuf());
    auto* oldOut = std::cout.rdbuf(echoed.rdbuf());

    EXPECT_FALSE(keyWaiting());
    EXPECT_EQ(readKey(), 'a');
    EXPECT_EQ(readKeyEcho(), 'b');
    EXPECT_EQ(readKey(), '\n');
    std::string line;
    std::getline(std::cin, line);
    EXPECT_EQ(line, "rest of line");
    EXPECT_EQ(readKey(), -1);
    EXPECT_EQ(readKeyEcho(), -1);

    std::cin.rdbuf(oldIn);
    std::cout.rdbuf(oldOut);
    std::cin.clear();
    EXPECT_EQ(echoed.str(), "b");
}
