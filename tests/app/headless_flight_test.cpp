// The flock with real interpreters and the shipped data, flown without a window.
#include "app/sim/HeadlessFlight.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include "app/sim/DecisionOdds.h"
#include "app/sim/FlightReport.h"
#include "app/sim/Steering.h"
#include "decision/QDM.h"
#include "decision/SteeringQuestions.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TempFolder.h"

namespace flock {
namespace {

namespace fs = std::filesystem;

FlockChoice choiceOf(int agents, SensorSource sensors, std::string file) {
    FlockChoice choice;
    choice.agentCount = agents, choice.sensors = sensors, choice.sensorFile = std::move(file);
    return choice;
}

class HeadlessFlightTest : public TempFolder {
protected:
    HeadlessFlightTest() : before_(fs::current_path()) { fs::current_path(FLOCK_DATA_DIR); }
    ~HeadlessFlightTest() override { fs::current_path(before_); }
    OutputCapture printed;  // what the minds print, kept from the screen

private:
    fs::path before_;
};

// Reading the odds (as the window does with the minds shown) leaves the flight as it was.
TEST_F(HeadlessFlightTest, ShippedFlockDecidesEveryTwelfthFrameWithoutAFailure) {
    FlightSettings settings;
    settings.seconds = 3, settings.keepPaths = true;
    const FlightRecord record = flyHeadless(settings);
    EXPECT_EQ(printed.text().find("Error"), std::string::npos) << printed.text().substr(0, 2000);
    EXPECT_TRUE(record.whole.frames == 180 && record.distance.size() == 180u && record.allFinite);
    EXPECT_EQ(record.whole.failures, 0);
    std::map<std::size_t, std::vector<std::int64_t>> frames;
    for (const DecisionRow& row : record.decisions) frames[row.agent].push_back(row.frame);
    ASSERT_EQ(frames.size(), 8u);
    for (const auto& [agent, decided] : frames) {
        ASSERT_GE(decided.size(), 14u) << agent;
        for (std::size_t i = 1; i < decided.size(); ++i) EXPECT_EQ(decided[i] - decided[i - 1], 12) << agent;
    }
    EXPECT_EQ(record.whole.decisions, static_cast<std::int64_t>(record.decisions.size()));
    // Without its rows the flight is the same, figure for figure.
    settings.keepDecisions = false;
    const FlightRecord unkept = flyHeadless(settings);
    EXPECT_TRUE(unkept.decisions.empty());
    EXPECT_EQ(figuresRow("all", record.whole), figuresRow("all", unkept.whole));
    EXPECT_EQ(record.answered, unkept.answered);
    EXPECT_EQ(record.paths[7].back().x, unkept.paths[7].back().x);
    settings.keepDecisions = true;
    // Each figure lies in the range that the sweep's row files and pictures hold it to.
    for (const FlightFigure& figure : kFlightFigures)
        EXPECT_TRUE(figure.of(record.whole) >= figure.low && figure.of(record.whole) <= figure.high) << figure.name;
    settings.watchOdds = true;
    const FlightRecord watched = flyHeadless(settings);
    EXPECT_EQ(decisionsCsv(record, 60), decisionsCsv(watched, 60));
    EXPECT_EQ(record.paths[7].back().y, watched.paths[7].back().y);
}

TEST_F(HeadlessFlightTest, TheOddsAddUpToOneAndReadingThemLeavesNothingBehind) {
    std::srand(5);
    auto flock = createProgramFlock(choiceOf(1, SensorSource::Setup, ""));
    Agent& agent = flock->agents()[0];
    agent.watchOdds = true;
    const std::size_t variables = agent.mind->decisionMaker()->held()->variables.size();
    for (int thought = 0; thought < 8; ++thought) thinkAgent(agent, thought % 3 == 0, false);
    EXPECT_EQ(agent.mind->decisionMaker()->held()->variables.size(), variables);  // nothing left behind
    ASSERT_TRUE(agent.odds.known);
    const auto& p = agent.odds.probability;
    EXPECT_TRUE(p[0] >= 0 && p[1] >= 0 && p[2] >= 0);
    EXPECT_NEAR(p[0] + p[1] + p[2], 1.0f, 1e-5f);
}

TEST_F(HeadlessFlightTest, SensorsComeFromTheSetupAFileOrAtRandom) {
    auto shipped = createProgramFlock(choiceOf(2, SensorSource::Setup, ""));
    auto random = createProgramFlock(choiceOf(2, SensorSource::Random, ""));
    auto fromFile = createProgramFlock(choiceOf(2, SensorSource::File, "flock_sensors.bin"));
    auto entry = [](Flock& flock, std::size_t agent, std::size_t i) {  // an entry of the agent's sensor i
        return flock.agents()[agent].mind->decisionMaker()->held()->sensors.at(i).unitary.data()[4].re;
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NE(entry(*random, 0, i), entry(*shipped, 0, i));
        EXPECT_NE(entry(*random, 0, i), entry(*random, 1, i));  // each agent its own
        EXPECT_EQ(entry(*fromFile, 1, i), entry(*shipped, 1, i));
    }
}

// Sensor files that cannot fly are refused by the command line's tests.
TEST_F(HeadlessFlightTest, WithoutASetupScriptTheFirstAgentSaysSoOnceAndTheFlockIsRefused) {
    fs::current_path(folder_);
    std::string refused = "made";
    try { createProgramFlock({}); } catch (const SetupFailure& failure) { refused = failure.what(); }
    EXPECT_NE(refused.find("action space 0 has no action 'forward'"), std::string::npos) << refused;
    const std::string said = printed.text(), notFound = "Cannot open file 'vex_flock_setup.txt'";
    ASSERT_NE(said.find(notFound), std::string::npos);
    EXPECT_EQ(said.find(notFound, said.find(notFound) + 1), std::string::npos);
}

}  // namespace
}  // namespace flock
