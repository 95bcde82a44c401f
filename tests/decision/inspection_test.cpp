// Scoring rules, naming them, and finalize's search for its setup scripts.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "decision/Inspection.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "tests/decision/DecisionFixture.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TypedKeys.h"

namespace {

using vex::Rule;

const std::filesystem::path kData = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data";

// Shares of decisions come out as the decision maker's probabilities, and the sizes
// each decision prints stay out of standard output.
TEST(Scoring, SharesFollowTheProbabilitiesAndTheDecisionSizesStayOut) {
    auto qdm = fixture::flockSystem({{"forward", {0}}, {"left", {-1}}, {"right", {1}}});
    std::srand(7);
    qdm->addSensor("center");
    const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{0, 0, 1.0}}}};

    qdm->prepare();
    for (int step = 0; step < 3; ++step) {
        qdm->applyOp("center");
        qdm->think();
    }
    const double expected[] = {qdm->actionProbability(0, 0), qdm->actionProbability(0, 1),
                               qdm->actionProbability(0, 2)};

    OutputCapture printed;
    const auto scores = vex::scoreRules(*qdm, rules, 4000, 3);
    EXPECT_EQ(printed.text(), "");
    ASSERT_EQ(scores.size(), 1u);
    ASSERT_EQ(scores[0].size(), 1u);
    ASSERT_EQ(scores[0][0].decided.size(), 3u);
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(scores[0][0].decided[a] / 4000.0, expected[a], 0.04) << a;
}

// A key stops a scoring of any length, as it stops a loop.
TEST_F(TypedKeys, AKeyStopsScoring) {
    auto qdm = fixture::flockSystem({{"forward", {0}}, {"left", {-1}}, {"right", {1}}});
    qdm->addSensor("center");
    const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{0, 0, 1.0}}}};
    type("q");
    try {
        vex::scoreRules(*qdm, rules, 200000, 1);
        FAIL() << "the scoring was not stopped";
    } catch (const tala::Failure& stopped) {
        EXPECT_STREQ(stopped.what(), "Error: User break.");
    }
}

TEST(Scoring, RulesAreNamedByStimulusAndIntendedActions) {
    auto qdm = fixture::flockSystem({{"forward", {0}}, {"left", {-1}}});
    EXPECT_EQ(vex::ruleLabel(*qdm, Rule{{{"center"}}, 0, {{0, 0, 1.0}}}), "center -> forward");
    EXPECT_EQ(vex::ruleLabel(*qdm, Rule{{{"a", "b"}, {"c"}}, 1, {{0, 0, 0.5}, {1, 0, 0.5}}}),
              "once a+b, c -> forward 0.5, left 0.5");
    EXPECT_EQ(vex::ruleLabel(*qdm, Rule{{}, 0, {{5, 2, 1.0}}}), "nothing -> space 2 action 5");
}

using ScriptSearch = TempFolder;

// The working folder first, then each named folder; one notice, counted, when none holds them.
TEST_F(ScriptSearch, FinalizeLooksAlongTheFoldersAndSaysWhereItLookedWhenNoneHolds) {
    std::filesystem::current_path(folder_);
    vex::ActionSpace space = fixture::flockSpace();
    space.gridSize = 3;
    space.points = {{"go", {-1}}, {"stay", {1}}};
    {
        vex::QDM found;
        found.addActionSpace(space);
        OutputCapture printed;
        OutputCapture errors(std::cerr);
        const unsigned before = tala::interp::problemCount();
        found.finalize(1, {path("nowhere"), kData.string()});
        EXPECT_EQ(printed.text().find("Cannot open"), std::string::npos) << printed.text();
        EXPECT_EQ(errors.text(), "");
        EXPECT_EQ(tala::interp::problemCount(), before);
    }
    vex::QDM lost;
    lost.addActionSpace(space);
    OutputCapture printed;
    OutputCapture errors(std::cerr);
    const unsigned before = tala::interp::problemCount();
    lost.finalize(1, {path("nowhere")});
    EXPECT_EQ(printed.text(),
              "Delta Size = 3\nAction Size = 3\nCannot open file 'QDM_Scripts/SetupTops.txt'\n"
              "Cannot open file 'QDM_Scripts/prepare.txt'\nSystem Size = 9\n");
    // Each failed open names its reason, then finalize says where it looked.
    EXPECT_EQ(errors.text(), "Cannot open file 'QDM_Scripts/SetupTops.txt': No such file or directory\n"
                             "Cannot open file 'QDM_Scripts/prepare.txt': No such file or directory\n"
                             "vex::qdm::finalize: found no QDM_Scripts/SetupTops.txt and QDM_Scripts/prepare.txt in "
                             "the working folder, " + path("nowhere") +
                             "; name the folder that holds QDM_Scripts with 'path DIR' before finalize, or with "
                             "--data DIR (tala, flock).\n");
    EXPECT_EQ(tala::interp::problemCount(), before + 3);
}

}  // namespace
