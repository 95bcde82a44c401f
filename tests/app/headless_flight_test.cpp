// The flock with real interpreters and the shipped data, flown without a window.
#include "app/HeadlessFlight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "app/DecisionOdds.h"
#include "app/Steering.h"
#include "decision/QDM.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

namespace flock {
namespace {

namespace fs = std::filesystem;

class HeadlessFlightTest : public TempFolder {
protected:
    HeadlessFlightTest() : before_(fs::current_path()) { fs::current_path(FLOCK_DATA_DIR); }
    ~HeadlessFlightTest() override { fs::current_path(before_); }

    OutputCapture printed;  // what the minds print, kept from the screen

private:
    fs::path before_;
};

TEST_F(HeadlessFlightTest, ShippedFlockDecidesEveryTwelfthFrameWithoutAFailure) {
    FlightSettings settings;
    settings.seconds = 3;
    FlightRecord record = flyHeadless(settings);

    EXPECT_EQ(printed.text().find("Error"), std::string::npos) << printed.text().substr(0, 2000);
    EXPECT_EQ(record.whole.frames, 180);
    EXPECT_EQ(record.distance.size(), 180u);
    EXPECT_TRUE(record.allFinite);
    EXPECT_EQ(record.whole.failures, 0);
    std::map<std::size_t, std::vector<std::int64_t>> frames;
    for (const DecisionRow& row : record.decisions) frames[row.agent].push_back(row.frame);
    ASSERT_EQ(frames.size(), 8u);
    for (const auto& [agent, decided] : frames) {
        ASSERT_GE(decided.size(), 14u) << agent;
        for (std::size_t i = 1; i < decided.size(); ++i) EXPECT_EQ(decided[i] - decided[i - 1], 12) << agent;
    }
    EXPECT_EQ(record.whole.decisions, static_cast<std::int64_t>(record.decisions.size()));
}

// A decide that answers the same whatever the stimulus would fail the stimuli it
// does not follow; a flock that does not gather would fail the other figures.
TEST_F(HeadlessFlightTest, TrainedSensorsFollowEachStimulusAndBeatRandomOnesOnEveryFigure) {
    FlightSettings settings;
    settings.seconds = 20;
    const FlightRecord trained = flyHeadless(settings);
    settings.flock.sensors = SensorSource::Random;
    const FlightRecord random = flyHeadless(settings);

    std::map<std::string, std::pair<int, int>> byStimulus;  // decisions, following
    for (const DecisionRow& row : trained.decisions) {
        auto& [made, followed] = byStimulus[row.stimulus];
        made += 1;
        followed += decisionFollows(row.stimulus, row.decision) ? 1 : 0;
    }
    for (const char* stimulus : {"center", "left", "right"}) {
        const auto [made, followed] = byStimulus[stimulus];
        ASSERT_GE(made, 50) << stimulus;
        EXPECT_GE(static_cast<double>(followed) / made, 0.8) << stimulus;
    }
    EXPECT_GE(trained.whole.followingShare(), 0.85);

    EXPECT_LT(trained.whole.meanDistance() * 3, random.whole.meanDistance());
    EXPECT_GT(trained.whole.meanPolarisation(), random.whole.meanPolarisation() + 0.3);
    EXPECT_GT(trained.whole.followingShare(), random.whole.followingShare() + 0.3);
}

TEST_F(HeadlessFlightTest, ReadingTheOddsLeavesTheFlightAsItWasAndTheyAddUpToOne) {
    FlightSettings settings;
    settings.seconds = 4;
    settings.keepPaths = true;
    const FlightRecord plain = flyHeadless(settings);
    settings.watchOdds = true;
    const FlightRecord watched = flyHeadless(settings);
    ASSERT_EQ(plain.decisions.size(), watched.decisions.size());
    for (std::size_t i = 0; i < plain.decisions.size(); ++i) {
        EXPECT_EQ(plain.decisions[i].decision, watched.decisions[i].decision) << i;
        EXPECT_EQ(plain.decisions[i].x, watched.decisions[i].x) << i;
    }
    EXPECT_EQ(plain.paths[7].back().y, watched.paths[7].back().y);

    std::srand(5);
    FlockChoice one;
    one.agentCount = 1;
    auto flock = createProgramFlock(one);
    Agent& agent = flock->agents()[0];
    agent.watchOdds = true;
    const std::size_t variables = agent.mind->decisionMaker()->variables.size();
    for (int thought = 0; thought < 8; ++thought) thinkAgent(agent, thought % 3 == 0, false);
    EXPECT_EQ(agent.mind->decisionMaker()->variables.size(), variables);  // nothing left behind
    const DecisionOdds odds = agent.odds;
    flock.reset();
    ASSERT_TRUE(odds.known);
    float sum = 0;
    for (float p : odds.probability) {
        EXPECT_GE(p, 0.0f);
        sum += p;
    }
    EXPECT_NEAR(sum, 1.0f, 1e-5f);
}

TEST_F(HeadlessFlightTest, SensorsComeFromTheSetupAFileOrAtRandom) {
    FlockChoice choice;
    choice.agentCount = 2;
    auto shipped = createProgramFlock(choice);
    choice.sensors = SensorSource::Random;
    auto random = createProgramFlock(choice);
    choice.sensors = SensorSource::File;
    choice.sensorFile = "flock_sensors.bin";
    auto fromFile = createProgramFlock(choice);

    auto sensors = [](Flock& flock, std::size_t agent) -> std::vector<vex::Sensor>& {
        return flock.agents()[agent].mind->decisionMaker()->sensors;
    };
    auto entry = [](const vex::Sensor& sensor) { return sensor.unitary.data()[4].re; };
    ASSERT_EQ(sensors(*random, 0).size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sensors(*random, 0)[i].name, sensors(*shipped, 0)[i].name);
        EXPECT_NE(entry(sensors(*random, 0)[i]), entry(sensors(*shipped, 0)[i]));
        EXPECT_NE(entry(sensors(*random, 0)[i]), entry(sensors(*random, 1)[i]));  // each agent its own
        EXPECT_EQ(entry(sensors(*fromFile, 1)[i]), entry(sensors(*shipped, 1)[i]));
    }
}

TEST_F(HeadlessFlightTest, DataThatCannotFlyIsRefusedWithOneReasonBeforeAnyFlight) {
    auto failure = [](const FlockChoice& choice) -> std::string {
        try {
            createProgramFlock(choice);
        } catch (const SetupFailure& refused) {
            return refused.what();
        }
        return "";
    };
    FlockChoice choice;
    choice.sensors = SensorSource::File;
    choice.sensorFile = path("missing.bin");
    EXPECT_EQ(failure(choice), "cannot read the sensor file '" + choice.sensorFile + "': No such file or directory");
    for (const auto& [file, reason] : {std::pair<std::string, std::string>{folder_.string(), "Is a directory"},
                                       {"/dev/zero", "not a regular file"}}) {
        choice.sensorFile = file;
        EXPECT_EQ(failure(choice), "cannot read the sensor file '" + file + "': " + reason);
    }

    choice.sensorFile = path("cut.bin");
    std::ofstream(choice.sensorFile, std::ios::binary) << std::ifstream("flock_sensors.bin", std::ios::binary).rdbuf();
    fs::resize_file(choice.sensorFile, 40);
    EXPECT_EQ(failure(choice), "'" + choice.sensorFile + "' is not a sensor file, or it is damaged");

    vex::QDM small;  // sensors for a decision maker of one state
    for (const char* name : {"center", "left", "right"}) small.addSensor(name);
    choice.sensorFile = path("small.bin");
    ASSERT_TRUE(small.saveSensors(choice.sensorFile));
    EXPECT_NE(failure(choice).find("sensor 'center' is 1 x 1, the decision maker needs 3 x 3"), std::string::npos);

    fs::current_path(folder_);  // no setup script: the first agent says so once, then it stops
    printed.take();
    EXPECT_NE(failure({}).find("action space 0 has no action 'forward'"), std::string::npos);
    const std::string said = printed.text(), notFound = "Cannot open file 'vex_flock_setup.txt'";
    ASSERT_NE(said.find(notFound), std::string::npos);
    EXPECT_EQ(said.find(notFound, said.find(notFound) + 1), std::string::npos);
}

}  // namespace
}  // namespace flock
