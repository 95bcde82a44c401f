// The flock with real interpreters, flown without a window.
#include "app/HeadlessFlight.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace flock {
namespace {

namespace fs = std::filesystem;

// The shipped flock for three simulated seconds at 60 frames per second: everyone
// flies, nothing fails, and each agent decides on every twelfth frame.
TEST(HeadlessFlight, EightAgentsWithTheShippedDataDecideEveryTwelfthFrame) {
    fs::path before = fs::current_path();
    fs::current_path(FLOCK_DATA_DIR);
    std::srand(3);
    FlightSettings settings;
    settings.seconds = 3;
    ::testing::internal::CaptureStdout();
    FlightReport report = flyHeadless(settings);
    std::string printed = ::testing::internal::GetCapturedStdout();
    fs::current_path(before);

    EXPECT_EQ(printed.find("Error: "), std::string::npos) << printed.substr(0, 2000);
    EXPECT_EQ(printed.find("Syntax error"), std::string::npos) << printed.substr(0, 2000);
    EXPECT_EQ(report.frames, 180);
    EXPECT_TRUE(report.allFinite);
    ASSERT_EQ(report.minds.size(), 8u);
    for (const MindLog& mind : report.minds) {
        ASSERT_GE(mind.decisionFrames.size(), 14u);
        for (std::size_t i = 1; i < mind.decisionFrames.size(); ++i) {
            EXPECT_EQ(mind.decisionFrames[i] - mind.decisionFrames[i - 1], 12);
        }
    }
}

TEST(HeadlessFlight, WithoutItsDataTheFlockSaysSoAndStillFlies) {
    fs::path empty = fs::temp_directory_path() / "flock_headless_without_data";
    fs::create_directories(empty);
    fs::path before = fs::current_path();
    fs::current_path(empty);
    FlightSettings settings;
    settings.seconds = 0.5;
    ::testing::internal::CaptureStdout();
    FlightReport report = flyHeadless(settings);
    std::string printed = ::testing::internal::GetCapturedStdout();
    fs::current_path(before);
    fs::remove_all(empty);

    EXPECT_NE(printed.find("Cannot open file 'vex_flock_setup.txt'"), std::string::npos);
    EXPECT_TRUE(report.allFinite);
    EXPECT_EQ(report.frames, 30);
    EXPECT_EQ(report.matches, 0);
}

}  // namespace
}  // namespace flock
