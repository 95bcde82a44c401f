// What a training records and shows: the fitness history, its table and plot, the progress line and the
// lines that say how training ended.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>
#include "testsupport/DecisionFixture.h"
#include "decision/TrainingHistory.h"
#include "decision/TrainingProgress.h"
#include "support/ScriptOutput.h"
#include "tests/support/TempFolder.h"
namespace {
using vex::GenerationFitness;
using vex::TrainingHistory;
// The flock's system with two sensors and their rules.
struct SmallTraining {
    std::unique_ptr<vex::QDM> qdm = fixture::flockSystem({{"forward", {0}}, {"left", {-1}}, {"right", {1}}});
    std::vector<vex::Rule> rules = {{{{"center"}}, 0, {{0, 0, 1.0}}}, {{{"left"}}, 0, {{1, 0, 1.0}}}};
    SmallTraining() { for (const char* name : {"center", "left"}) qdm->addSensor(name); }
    void train(int generations, int population) {
        OutputCapture quiet;
        qdm->train(rules, generations, 4, population, population);
    }
};

TEST(TrainingHistory, EveryGenerationIsRecordedAndTheBestNeverFalls) {
    SmallTraining training;
    training.train(12, 6);
    const TrainingHistory& history = training.qdm->trainingHistory;
    ASSERT_EQ(history.generations.size(), 12u);
    EXPECT_EQ(history.plannedGenerations, 12);
    // The table: a header and one row per generation, numbers that read back exactly.
    const auto rows = linesOf(vex::historyCsv(history));
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[0], "generation,best,mean,worst,rule 0,rule 1");
    for (std::size_t g = 0; g < 12; ++g) {
        const GenerationFitness& fitness = history.generations[g];
        EXPECT_LE(fitness.worst, fitness.mean);
        EXPECT_LE(fitness.mean, fitness.best);
        EXPECT_GE(fitness.best, history.generations[g > 0 ? g - 1 : 0].best);
        ASSERT_EQ(fitness.bestRules.size(), 2u);
        EXPECT_NEAR((fitness.bestRules[0] + fitness.bestRules[1]) / 2, fitness.best, 1e-12);
        std::istringstream row(rows[g + 1]);
        std::vector<double> read(6);
        for (double& number : read) if ((row >> number).peek() == ',') row.ignore();
        EXPECT_EQ(read, (std::vector<double>{double(g + 1), fitness.best, fitness.mean, fitness.worst,
                                             fitness.bestRules[0], fitness.bestRules[1]})) << rows[g + 1];
    }
    // The last row is the population the training left.
    EXPECT_EQ(history.generations.back().best, training.qdm->population().front().fitness);
    EXPECT_EQ(history.generations.back().worst, training.qdm->population().back().fitness);
    // A new training starts a new history; one that runs no generation leaves none.
    training.train(3, 2);
    EXPECT_EQ(training.qdm->trainingHistory.generations.size(), 3u);
    training.train(0, 2);
    EXPECT_TRUE(training.qdm->trainingHistory.generations.empty());
}

using HistoryFiles = TempFolder;

TEST_F(HistoryFiles, ThePlotIsXmlWithLabelledAxesTheCeilingAndEveryCurve) {
    SmallTraining training;
    training.train(4, 3);
    const std::string plot = path("history.SVG");
    vex::saveTrainingHistory(training.qdm->trainingHistory, plot);
    const std::string svg = fileText(plot);
    for (const char* part : {">generation</text>", ">fitness</text>", ">ceiling 10</text>", ">best</text>",
                             ">mean</text>", ">worst</text>", ">center -&gt; forward</text>", ">left -&gt; left</text>"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    EXPECT_EQ(std::system(("xmllint --noout " + plot).c_str()), 0);
    training.qdm->trainingHistory.plannedGenerations = 300;  // stopped early, the title says so
    EXPECT_NE(vex::historySvg(training.qdm->trainingHistory).find("(ended after 4 of 300)"), std::string::npos);
}

TEST_F(HistoryFiles, ALongHistoryIsThinnedForThePlotButNotForTheTable) {
    TrainingHistory history;  // 5000 generations rising towards the ceiling
    for (int g = 0; g < 5000; ++g) {
        const double best = 10.0 - 5.0 / (g + 1);
        history.generations.push_back({best, best - 1, best - 2, {best}});
    }
    vex::saveTrainingHistory(history, path("history.csv"));
    const auto rows = linesOf(fileText(path("history.csv")));
    ASSERT_EQ(rows.size(), 5001u);
    EXPECT_EQ(rows.back().rfind("5000,", 0), 0u);
    // A name holding a NUL byte is shown with \0 in the refusal.
    EXPECT_EQ(failureOf([&] { vex::saveTrainingHistory(history, std::string("h\0x.csv", 7)); }),
              "Cannot write training history 'h\\0x.csv': file name holds a NUL byte");
    EXPECT_EQ(listing(), "history.csv;");
    // The rule, worst, mean and best: 648 points each, one per unit of the plot's width.
    const std::string svg = vex::historySvg(history);
    EXPECT_EQ(std::count(svg.begin(), svg.end(), ','), 4 * 648);
    // 4999 steps over 647: the second point drawn is the generation nearest 7.73, the ninth.
    for (const std::size_t changed : {8, 7}) {
        TrainingHistory dipped = history;
        dipped.generations[changed].best = 1.0;
        EXPECT_EQ(vex::historySvg(dipped) != svg, changed == 8) << "generation " << changed + 1;
    }
}

// The progress line drawn into one stream with standard output, as on one screen.
class ProgressScreen : public ::testing::Test {
protected:
    std::unique_ptr<vex::TrainingProgress> progress(bool shared, int columns = 200) {
        shown_ = std::make_unique<support::ConsoleProgress>(&screen_.stream(), columns, shared);
        return std::make_unique<vex::TrainingProgress>(300, *shown_, [this] { return now_; });
    }
    std::string take() { return screen_.take(); }
    OutputCapture screen_;
    std::unique_ptr<support::ConsoleProgress> shown_;
    double now_ = 100.0;
};

TEST_F(ProgressScreen, TheLineSaysWhereTrainingIsAndHowLongItWillTake) {
    GenerationFitness rules{9.8249, 9.0, 8.0, {9.91, 9.8, 9.754}}, best{9.8249, 9.0, 8.0, {}};
    EXPECT_EQ(vex::progressText({37, 300, 36, &rules, 1.2, false}),
              "generation 37/300  best 9.82 of 10  (rules 9.91 9.80 9.75)  1.2 s, about 9 s left");
    EXPECT_EQ(vex::progressText({1, 300, 0, nullptr, 0.04, false}), "generation 1/300  0.0 s");
    EXPECT_EQ(vex::progressText({100, 300, 100, &best, 125.7, false}),
              "generation 100/300  best 9.82 of 10  2 min 05 s, about 4 min left");
    EXPECT_EQ(vex::progressText({299, 300, 299, &best, 29.9, false}),
              "generation 299/300  best 9.82 of 10  29.9 s, under a second left");
    EXPECT_EQ(vex::progressText({299, 300, 299, &best, 29.9, true}), "generation 299/300  best 9.82 of 10  29.9 s");
}

TEST_F(ProgressScreen, UpdatesComeAtMostTenTimesASecondAndTheLastStateStays) {
    auto line = progress(false, 30);
    line->startGeneration(0);
    EXPECT_EQ(take(), "\rgeneration 1/300  0.0 s\033[K");
    GenerationFitness fitness{5, 4, 3, {}};
    now_ += 0.05;
    line->finishGeneration(fitness);
    line->startGeneration(1);
    line->tick();
    EXPECT_EQ(take(), "");
    now_ += 0.06;
    line->tick();
    EXPECT_EQ(take(), "\rgeneration 2/300  best 5.00 o\033[K");  // cut to the width less one: it never wraps
    now_ += 0.01;
    line->finishGeneration(fitness);
    line->close();
    EXPECT_EQ(take(), "\rgeneration 2/300  best 5.00 o\033[K\n");
    line->tick();
    EXPECT_EQ(take(), "");
}

TEST_F(ProgressScreen, OutputOnTheSameScreenTakesTheLineAwayAndPutsItBackUnderIt) {
    auto line = progress(true);
    line->startGeneration(0);
    support::out() << "DEBUG: max fitness = 5\n" << "0/3: 5 -> " << std::flush;
    now_ += 1;
    line->tick();  // not under a finished line: nothing is drawn
    support::out() << "6\n";
    EXPECT_EQ(take(), "\rgeneration 1/300  0.0 s\033[K\r\033[KDEBUG: max fitness = 5\n\rgeneration 1/300  0.0 s\033[K"
                      "\r\033[K0/3: 5 -> 6\n\rgeneration 1/300  1.0 s\033[K");
    line->close();
    EXPECT_EQ(take(), "\rgeneration 0/300  1.0 s\033[K\n");
    support::out() << "after\n";
    EXPECT_EQ(take(), "after\n");
}

// Training inside a flight whose minds' text is sent elsewhere: the text stays where the flight sent it,
// and goes back there, unshared, when training ends.
TEST_F(ProgressScreen, TextSentElsewhereStaysThereAroundTheLine) {
    std::ostringstream minds;
    support::OutputTo flight(minds);
    auto line = progress(true);
    line->startGeneration(0);
    support::out() << "mutation...\n";
    line->close();
    support::out() << "after\n";
    EXPECT_EQ(minds.str(), "mutation...\nafter\n");
    EXPECT_EQ(take(), "\rgeneration 1/300  0.0 s\033[K\r\033[K\rgeneration 1/300  0.0 s\033[K"
                      "\rgeneration 0/300  0.0 s\033[K\n");
}

}  // namespace
