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

const std::string kHead = "# flock 1.0\n# command: flock --sweep\n";

std::string fileOf(const std::vector<SweepRow>& rows, const std::string& head = kHead,
                   const std::vector<std::string>& names = {}) {
    std::string text = head + sweepRowsHeader(names);
    for (const SweepRow& r : rows) text += sweepRowLine(r);
    return text;
}

std::vector<SweepRow> merged(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<RowFile> read;
    for (const auto& [name, text] : files) read.push_back(readRowFile(text, name));
    return mergeRowFiles(read).rows;
}

template <class Work> std::string refusal(Work work) try {
    work();
    return "accepted";
} catch (const RowFileError& error) {
    return error.what();
}

TEST(SweepRows, FullPrecisionReadsBackAndAnImpossibleLineIsNamed) {
    const std::vector<SweepRow> rows = {row(0, "setup", 1, 1.0 / 3, 93.5), row(1, "data/b.bin", 2, 70.125, 40)};
    const std::string text = fileOf(rows);
    EXPECT_EQ(text.substr(text.find("\n0,")),
              "\n0,8,setup,60,1,0.3333333333333333,0.5,93.5,100,0,0.000\n"
              "1,8,data/b.bin,60,2,70.125,0.5,40,100,0,0.000\n");
    const RowFile read = readRowFile(text, "a.csv");
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[0].figures[kDistance], 1.0 / 3);
    EXPECT_EQ(fileOf(read.rows), text);
    EXPECT_EQ(read.rows[1].origin, "a.csv:5");
    EXPECT_EQ(read.provenance.command, "flock --sweep");
    const std::string fine = "2,8,setup,60,3,1,0.5,50,10,0,1\n";
    const std::pair<std::string, std::string> problems[] = {
        {"", "1: not a sweep row file: it is empty"},
        {sweepRowsHeader() + fine, "1: not a sweep row file: no provenance"},
        {text + "2,8,setup,60,3,1.0,0.5,50\n", "6: not a sweep row file: 8 fields, not 11"},
        {text + "2,8,setup,60,3,nan,0.5,50,1,0,1\n", "6: not a sweep row file: distance 'nan' is not a number"},
        {text + "2,0,setup,60,3,1,0.5,50,1,0,1\n", "6: not a sweep row file: agents '0' is not from 1 to 256"},
        {text + "2,8,set\x1bup,60,3,1,0.5,50,1,0,1\n", "6: not a sweep row file: the sensors' name holds a control byte"},
        {text + "2,8,setup,60,\x1b[2J,1,0.5,50,1,0,1\n", "6: not a sweep row file: seed '\\x1b[2J' is not a whole number"},
        {text + "2,8,setup,60,3,-1,0.5,50,1,0,1\n", "6: not a sweep row file: distance '-1' is not from 0 to 1e+12"},
        {text + "2,8,setup,60,3,1e308,0.5,50,1,0,1\n", "6: not a sweep row file: distance '1e308' is not from 0"},
        {text + "2,8,setup,60,3,1,2,50,1,0,1\n", "6: not a sweep row file: polarisation '2' is not from 0 to 1"},
        {text + "2,8,setup,60,3,1,0.5,200,1,0,1\n", "6: not a sweep row file: following '200' is not from 0 to 100"},
        {text + "2,8,setup,60,3,1,0.5,50,1,2,1\n", "6: not a sweep row file: more failures than decisions"},
        {text + "2,256,setup,3600,3,1,0.5,50,1,0,1\n", "6: not a sweep row file: 256 agents cannot fly 3600 seconds"},
        {text + "2,8,setup,60,3,1,0.5,50,9223372036854775807,0,1\n",
         "6: not a sweep row file: decisions '9223372036854775807' is not a count from 0 to 9007199254740992"},
        {text + "2,8,setup,60,3,1,0.5,50,1.5,0,1\n", "6: not a sweep row file: decisions '1.5' is not a count"},
        {kHead + "# setup 12 abc vex_flock_setup.txt\n" + sweepRowsHeader(), "3: not a sweep row file: not '# setup SIZE"},
    };
    for (const auto& [bad, problem] : problems) {
        const std::string why = refusal([&] { readRowFile(bad, "b.csv"); });
        EXPECT_EQ(why.rfind("b.csv:" + problem, 0), 0u) << why;
    }
}

TEST(SweepRows, MergedInRunOrderAcrossSetupsButNotARunTwiceNorAnotherFileOfOneName) {
    const std::string a = kHead + "# setup 10 " + std::string(64, 'a') + " vex_flock_setup.txt\n";
    const std::string b = kHead + "# setup 11 " + std::string(64, 'b') + " vex_flock_setup.txt\n";
    const std::string other = kHead + "# setup 11 " + std::string(64, 'b') + " own setup.txt\n";
    const auto rows = merged({{"late.csv", fileOf({row(2, "setup", 3, 1, 1)}, a)},
                              {"early.csv", fileOf({row(0, "setup", 1, 1, 1), row(1, "setup", 2, 1, 1)}, a)},
                              {"own.csv", fileOf({row(0, "random", 1, 1, 1)}, other)}});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows[0].seed == 1 && rows[1].sensors == "random" && rows[3].seed == 3);
    EXPECT_EQ(refusal([&] { merged({{"a.csv", fileOf({row(0, "setup", 1, 1, 1)}, a)}, {"b.csv", fileOf({}, b)}}); }),
              "b.csv: its setup 'vex_flock_setup.txt' (11 bytes, SHA-256 bbbbbbbbbbbb...) is not the one of a.csv "
              "(10 bytes, SHA-256 aaaaaaaaaaaa...)");
    // The same flight twice, whatever its run number.
    EXPECT_EQ(refusal([&] { merged({{"late.csv", fileOf({row(2, "setup", 3, 1, 1)})}, {"again.csv", fileOf({row(7, "setup", 3, 1, 1)})}}); }),
              "again.csv:4: run 7 is also at late.csv:4");
    // Rows without setting columns flew with the defaults; a column without one cannot be filled.
    SweepRow noisy = row(1, "setup", 1, 1, 1);
    noisy.settings = {"30"};
    const auto mixed = merged({{"x.csv", fileOf({noisy}, kHead, {"noise"})}, {"y.csv", fileOf({row(0, "setup", 1, 1, 1)})}});
    EXPECT_EQ(mixed[0].settings, std::vector<std::string>{"0"});
    EXPECT_EQ(refusal([&] { merged({{"x.csv", fileOf({}, kHead, {"colour"})}, {"y.csv", fileOf({})}}); }),
              "y.csv: its columns are not those of x.csv");
}

TEST(SweepRows, TheCommandLineIsWrittenAsAShellReadsItBack) {
    EXPECT_EQ(shellQuoted({"flock", "--csv", "my rows.csv", "it's", "a\x1b\n", "--set=noise=0:90:10"}),
              "flock --csv 'my rows.csv' 'it'\\''s' $'a\\x1b\\x0a' --set=noise=0:90:10");
}

// Full-precision rows give the table of the flights, and a merged file (as --summarize
// --csv writes it) reads back to the same table.
TEST(SweepSummary, TheRowsOfAFileGiveTheTableOfTheirValues) {
    std::vector<SweepRow> rows = {row(0, "setup", 1, 0.3336, 80), row(1, "setup", 2, 0.3336, 81.04),
                                  row(2, "setup", 3, 0.3331, 1.0 / 3)};
    const std::string table = sweepSummary(rows);
    const std::vector<SweepRow> read = readRowFile(fileOf(rows), "a.csv").rows;
    EXPECT_EQ(sweepSummary(read), table);
    EXPECT_EQ(sweepSummary(readRowFile(fileOf(merged({{"a.csv", fileOf(rows)}})), "m.csv").rows), table);
    EXPECT_NE(table.find("3     0.333  0.000"), std::string::npos) << table;  // rounded rows would give 0.334
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

// Two runs following 96 and 100 %: the interval would pass 100.
TEST(SweepSummary, IntervalsBeyondWhatAFigureCanBeAreClampedAndSaidSo) {
    const std::string table = sweepSummary({row(0, "setup", 1, 3, 96), row(1, "setup", 2, 4, 100)});
    EXPECT_NE(table.find("72.6 to 100.0*"), std::string::npos) << table;
    EXPECT_NE(table.find("0.000 to 9.853*"), std::string::npos) << table;  // from -2.853
    EXPECT_TRUE(table.ends_with("\n* clamped to what the figure can be: distance from 0, following 0 to 100 %\n")) << table;
}

// Two setups by two sensors: pairs along each, the other held fixed, in the table and the CSV.
TEST(SweepSummary, PairsAlongTheSetupAndTheSensors) {
    std::vector<SweepRow> rows;
    const char* setups[] = {"a.txt", "b.txt"};
    const char* sensors[] = {"setup", "random"};
    std::int64_t run = 0;
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 2; ++k)
            for (unsigned seed = 1; seed <= 2; ++seed) {
                SweepRow r = row(run++, sensors[k], seed, 10.0 * s + k + seed, 50);
                r.settings = {setups[s]};
                rows.push_back(r);
            }
    EXPECT_EQ(sweepPairsCsv(rows, {"setup"}),
              "along,first,second,agents,sensors,seconds,setup,seeds,distance,distance_low,distance_high,distance_wins,"
              "polarisation,polarisation_low,polarisation_high,polarisation_wins,following,following_low,following_high,following_wins\n"
              "sensors,setup,random,8,,60,a.txt,2,-1,-1,-1,2,0,0,0,0,0,0,0,0\n"
              "setup,a.txt,b.txt,8,setup,60,,2,-10,-10,-10,2,0,0,0,0,0,0,0,0\n"
              "setup,a.txt,b.txt,8,random,60,,2,-10,-10,-10,2,0,0,0,0,0,0,0,0\n"
              "sensors,setup,random,8,,60,b.txt,2,-1,-1,-1,2,0,0,0,0,0,0,0,0\n");
    const std::string table = sweepSummary(rows, {"setup"});
    EXPECT_NE(table.find("agents  seconds  sensors  setup  first - second  seeds"), std::string::npos) << table;
    EXPECT_NE(table.find("     8       60  random          a.txt - b.txt       2"), std::string::npos) << table;
}

TEST(SweepSummary, TooManyPairsAreRefusedBeforeTheyAreMade) {
    std::vector<SweepRow> rows;
    for (std::int64_t i = 0; i < 500; ++i) rows.push_back(row(i, std::to_string(i) + ".bin", 1, 1, 1));
    EXPECT_EQ(refusal([&] { sweepSummary(rows); }),  // 124 750 pairs
              "more than 100000 pairs of settings to compare: summarize fewer settings at once");
}

TEST(SweepPicture, TicksAreOneTwoOrFiveTimesAPowerOfTen) {
    const std::pair<std::pair<double, double>, std::vector<double>> known[] = {
        {{-3.11, 121}, {0, 50, 100}},  // step 50 (rough 24.8 rounds up to 50)
        {{0, 1}, {0, 0.2, 0.4, 0.6, 0.8, 1}},
        {{0.31, 0.97}, {0.4, 0.6, 0.8}},
        {{0, 90}, {0, 20, 40, 60, 80}},
    };
    for (const auto& [range, ticks] : known) {
        const std::vector<double> made = niceTicks(range.first, range.second);
        ASSERT_EQ(made.size(), ticks.size()) << range.first;
        for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(made[i], ticks[i], 1e-12) << range.first;
    }
}

// A number setting that varies is the x axis: a line and a band per sensors, over its values.
TEST(SweepPicture, ASweptNumberIsTheXAxisWithALineAndABandPerSetting) {
    std::vector<SweepRow> rows;
    std::int64_t run = 0;
    for (const char* sensors : {"setup", "random"})
        for (const char* noise : {"0", "10", "20"})
            for (unsigned seed = 1; seed <= 3; ++seed) {
                SweepRow r = row(run++, sensors, seed, 2.0 + seed, 50);
                r.settings = {noise};
                rows.push_back(r);
            }
    const std::string svg = sweepPicture(rows, {"noise"});
    std::size_t bands = 0;
    for (std::size_t at = svg.find("<polygon"); at != std::string::npos; at = svg.find("<polygon", at + 1)) ++bands;
    EXPECT_EQ(bands, 3u * 3u);  // three figures: two sensors, and their pair
    EXPECT_NE(svg.find("polarisation against noise"), std::string::npos);
    EXPECT_NE(svg.find(">15</text>"), std::string::npos);  // a tick between the values swept
    EXPECT_NE(svg.find("paired differences"), std::string::npos);
}

}  // namespace
}  // namespace flock
