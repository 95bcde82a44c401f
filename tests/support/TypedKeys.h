#pragma once
// A test fixture whose standard input is a pseudo-terminal that the test types into,
// so that the console key poll sees real key presses.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>
#include <cstdio>
#include <iostream>
#include <string>
class TypedKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (openpty(&master_, &terminal_, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no pseudo-terminal";
        savedInput_ = dup(STDIN_FILENO);
        dup2(terminal_, STDIN_FILENO);
        std::cin.clear();
        clearerr(stdin);
    }
    void TearDown() override {
        if (savedInput_ < 0) return;
        dup2(savedInput_, STDIN_FILENO);
        for (int fd : {savedInput_, terminal_, master_}) close(fd);
        std::cin.clear();
        clearerr(stdin);
    }
    void type(const std::string& keys) const {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
private:
    int master_ = -1, terminal_ = -1, savedInput_ = -1;
};
