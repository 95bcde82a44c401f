// Statistics and row files of the sweep, without flying.
#include <gtest/gtest.h>
#include <cmath>
#include "app/cli/SweepRows.h"
#include "app/cli/SweepStatistics.h"

namespace flock {
namespace {

TEST(StudentT, MatchesTheTableAndTheLimitBeyondIt) {
    const std::pair<std::size_t, double> known[] = {  // t(0.975, n) to six decimals, both sides of the table's end
        {1, 12.706205}, {2, 4.302653}, {29, 2.045230}, {30, 2.042272}, {31, 2.039513}, {120, 1.979930}, {1000, 1.962339}};
    for (auto [degrees, t] : known) EXPECT_NEAR(studentT95(degrees), t, 1e-6) << degrees;
    EXPECT_NEAR(studentT95(1000000), 1.95996, 1e-5);
    EXPECT_TRUE(std::isnan(studentT95(0)));
}

TEST(Spread, MeanDeviationAndIntervalAndTooFewValues) {
    const Spread five = spreadOf({1, 2, 3, 4, 5});
    EXPECT_TRUE(five.count == 5 && five.mean == 3);
    EXPECT_NEAR(five.deviation, std::sqrt(2.5), 1e-12);
    EXPECT_NEAR(five.high - five.mean, 2.776445 * std::sqrt(2.5) / std::sqrt(5.0), 1e-5);
    EXPECT_NEAR(five.mean - five.low, five.high - five.mean, 1e-12);
    const Spread one = spreadOf({7});
    EXPECT_TRUE(one.mean == 7 && std::isnan(one.deviation) && std::isnan(one.low));
}

SweepRow row(std::int64_t run, const std::string& sensors, unsigned seed, double distance, double following) {
    SweepRow r;
    r.run = run, r.sensors = sensors, r.seed = seed, r.figures = {distance, 0.5, following, 100, 0};
    return r;
}

std::string fileOf(const std::vector<SweepRow>& rows) {
    std::string text = sweepRowsHeader();
    for (const SweepRow& r : rows) text += sweepRowLine(r);
    return text;
}

template <class Work> std::string refusal(Work work) try {
    work();
    return "accepted";
} catch (const RowFileError& error) {
    return error.what();
}

TEST(SweepRows, ReadBackAsWrittenAndABadLineIsNamed) {
    const std::vector<SweepRow> rows = {row(0, "setup", 1, 3.25, 93.5), row(1, "data/b.bin", 2, 70.125, 40)};
    const std::string text = fileOf(rows);
    EXPECT_EQ(text.substr(sweepRowsHeader().size()),
              "0,8,setup,60,1,3.250,0.500,93.5,100,0,0.000\n"
              "1,8,data/b.bin,60,2,70.125,0.500,40.0,100,0,0.000\n");
    const std::vector<SweepRow> read = readSweepRows(text, "a.csv");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(fileOf(read), text);
    EXPECT_EQ(read[1].origin, "a.csv:3");
    const std::pair<std::string, std::string> problems[] = {
        {"", "b.csv:1: not a sweep row file: it is empty"},
        {text + "2,8,setup,60,3,1.0,0.5,50\n", "b.csv:4: not a sweep row file: 8 fields, not 11"},
        {text + "2,8,setup,60,3,nan,0.5,50,1,0,1\n", "b.csv:4: not a sweep row file: distance 'nan' is not a number"},
        {text + "2,0,setup,60,3,1,0.5,50,1,0,1\n", "b.csv:4: not a sweep row file: agents '0' is not from 1 to 256"},
    };
    for (const auto& [bad, problem] : problems) EXPECT_EQ(refusal([&] { readSweepRows(bad, "b.csv"); }), problem);
}

TEST(SweepRows, MergedInRunOrderAndARunGivenTwiceIsRefused) {
    std::vector<SweepRow> rows = readSweepRows(fileOf({row(2, "setup", 3, 1, 1)}), "late.csv");
    const auto early = readSweepRows(fileOf({row(0, "setup", 1, 1, 1), row(1, "setup", 2, 1, 1)}), "early.csv");
    rows.insert(rows.end(), early.begin(), early.end());
    const std::vector<SweepRow> merged = mergeSweepRows(rows);
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_TRUE(merged[0].seed == 1 && merged[2].seed == 3);
    rows.push_back(rows[0]);
    rows.back().origin = "again.csv:2";
    EXPECT_EQ(refusal([&] { mergeSweepRows(rows); }), "again.csv:2: run 2 is also at late.csv:2");
}

// Three seeds of two sensors: a line each, then the pair; the first flies closer in each seed, follows better in none.
TEST(SweepSummary, OneLinePerSettingThenThePairOverTheSameSeeds) {
    const std::vector<SweepRow> rows = {row(0, "setup", 1, 3.0, 90),   row(1, "setup", 2, 4.0, 95),
                                        row(2, "setup", 3, 5.0, 91),   row(3, "random", 1, 70.0, 93),
                                        row(4, "random", 2, 60.0, 96), row(5, "random", 3, 80.0, 92)};
    EXPECT_EQ(sweepSummary(rows),
              "agents  sensors  seconds  runs  distance      sd      95% interval  polarisation     sd    95% interval  following %   sd  95% interval  failures\n"
              "     8  setup         60     3     4.000   1.000    1.516 to 6.484         0.500  0.000  0.500 to 0.500         92.0  2.6  85.4 to 98.6         0\n"
              "     8  random        60     3    70.000  10.000  45.159 to 94.841         0.500  0.000  0.500 to 0.500         93.7  2.1  88.5 to 98.8         0\n"
              "\n"
              "agents  seconds  first - second  seeds  distance        95% interval  wins  polarisation    95% interval  wins  following %  95% interval  wins\n"
              "     8       60  setup - random      3   -66.000  -89.697 to -42.303     3         0.000  0.000 to 0.000     0         -1.7   -4.5 to 1.2     0\n");
}

}  // namespace
}  // namespace flock
