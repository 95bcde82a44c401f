// The flock with real interpreters, flown without a window.
#include "app/HeadlessFlight.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace flock {
namespace {

namespace fs = std::filesystem;

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
