#pragma once
// A test fixture with a fresh, empty folder of its own under the system's temporary
// folder, named after the test and removed afterwards.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
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
    // The path of `name` in the folder.
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    // The names in the folder in order, each followed by ';', so that a left-over file shows.
    std::string listing() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) names.insert(entry.path().filename());
        std::string text;
        for (const std::string& name : names) text += name + ";";
        return text;
    }
    // The whole content of a file; empty when it cannot be read.
    static std::string fileText(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::path folder_;
};
