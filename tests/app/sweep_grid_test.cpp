// Rows that carry their setup and world settings, and the summaries made of them.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/cli/SweepRows.h"

namespace flock {
namespace {

SweepRow gridRow(std::int64_t run, const std::string& sensors, unsigned seed, double noise) {
    SweepRow r;
    r.run = run, r.sensors = sensors, r.seed = seed, r.figures = {1.5 + noise, 0.5, 90, 100, 0};
    r.grid = true;
    r.world.noise = noise;
    return r;
}

std::string fileOf(const std::vector<SweepRow>& rows, bool grid) {
    std::string text = sweepRowsHeader(grid);
    for (const SweepRow& r : rows) text += sweepRowLine(r);
    return text;
}

TEST(GridRows, CarryEverySettingAtFullPrecisionAndReadBack) {
    SweepRow odd = gridRow(0, "setup", 1, 0.1);
    odd.setup = "mine.txt";
    odd.world.neighbourDistance = 1.0 / 3;
    const std::string text = fileOf({odd}, true);
    EXPECT_NE(text.find(",mine.txt,0.3333333333333333,10,20,20,576,7.2,3,4,0.1\n"), std::string::npos) << text;
    const std::vector<SweepRow> read = readSweepRows(text, "grid.csv");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_TRUE(read[0].grid && read[0].setup == "mine.txt" && read[0].world == odd.world);
    // A row without the grid columns is written as it always was.
    SweepRow plain = odd;
    plain.grid = false;
    EXPECT_EQ(sweepRowLine(plain).find("mine.txt"), std::string::npos);
    EXPECT_EQ(readSweepRows(fileOf({plain}, false), "plain.csv").at(0).world, WorldSettings{});
}

TEST(GridRows, SettingsOutsideTheirRangeOrNoSetupAreRefusedWithTheLine) {
    const std::string good = fileOf({gridRow(0, "setup", 1, 5)}, true);
    const auto refusal = [](const std::string& text) {
        try { readSweepRows(text, "g.csv"); } catch (const RowFileError& e) { return std::string(e.what()); }
        return std::string("accepted");
    };
    std::string outside = good;
    outside.replace(outside.rfind(",5\n"), 3, ",500\n");
    EXPECT_EQ(refusal(outside), "g.csv:2: not a sweep row file: noise must be from 0 to 180 degrees, not 500");
    std::string fraction = good;
    fraction.replace(fraction.find(",3,4,"), 5, ",2.5,4,");
    EXPECT_EQ(refusal(fraction), "g.csv:2: not a sweep row file: think_period must be a whole number, not 2.5");
    std::string noSetup = good;
    noSetup.replace(noSetup.find(",vex_flock_setup.txt,"), 21, ",,");
    EXPECT_EQ(refusal(noSetup), "g.csv:2: not a sweep row file: no setup");
}

TEST(GridSummary, SettingsAreKeptApartAndPairsHoldThemFixed) {
    const std::vector<SweepRow> rows = {gridRow(0, "setup", 1, 0), gridRow(1, "random", 1, 0),
                                        gridRow(2, "setup", 1, 30), gridRow(3, "random", 1, 30)};
    const std::string summary = sweepSummary(readSweepRows(fileOf(rows, true), "g.csv"));
    // Two lines per noise, the noise column shown because it is not at its default in some run.
    EXPECT_NE(summary.find("agents  sensors  seconds                setup  noise  runs"), std::string::npos) << summary;
    EXPECT_NE(summary.find("setup         60  vex_flock_setup.txt     30     1    31.500"), std::string::npos) << summary;
    // One pair per noise, never a pair across two noises.
    EXPECT_NE(summary.find("60  vex_flock_setup.txt      0  setup - random"), std::string::npos) << summary;
    EXPECT_NE(summary.find("60  vex_flock_setup.txt     30  setup - random"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("setup - setup"), std::string::npos) << summary;
}

}  // namespace
}  // namespace flock
