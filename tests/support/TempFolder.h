#pragma once
// A test fixture with a fresh, empty folder of its own under the system's temporary
// folder, named after the test and removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("flock_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};
