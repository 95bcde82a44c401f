// The page's live figures: distance and polarisation per frame, the share of decisions that followed their stimulus,
// counted through the wrapped minds, and what is kept of the flight for the downloads.
#include <gtest/gtest.h>
#include <array>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <vector>
#include "app/sim/FlightReport.h"
#include "app/sim/Steering.h"
#include "tests/app/RecordingMind.h"
#include "web/LiveFigures.h"

namespace flock::web {
namespace {

// Agents at (x, y, heading); they are not copied: made in place.
std::vector<Agent> agentsAt(std::initializer_list<std::array<float, 3>> places) {
    std::vector<Agent> agents;
    for (const auto& [x, y, heading] : places) {
        Agent& agent = agents.emplace_back();
        std::tie(agent.x, agent.y, agent.heading) = std::tie(x, y, heading);
    }
    return agents;
}

TEST(LiveFigures, AveragesTheFramesSinceTakenAndSkipsFramesThatFlewOffToInfinity) {
    LiveFigures figures;
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");        // no frame, no decision yet
    figures.addFrame(agentsAt({{0, 0, 0}, {2, 0, 0}}));     // distance 1, aligned
    figures.addFrame(agentsAt({{0, 0, 90}, {0, 4, 270}}));  // distance 2, opposed
    figures.addFrame(agentsAt({{std::numeric_limits<float>::infinity(), 0, 0}, {0, 0, 0}}));
    figures.addFrame({});
    EXPECT_EQ(figures.take(), "1.500 0.500 -1.000");
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");
}

TEST(LiveFigures, CountsTheAnsweredDecisionsThatFollowTheirStimulus) {
    LiveFigures figures;
    auto first = std::make_shared<testing::MindRecord>(), second = std::make_shared<testing::MindRecord>();
    auto a = figures.watch(std::make_unique<testing::RecordingMind>(first));
    auto b = figures.watch(std::make_unique<testing::RecordingMind>(second));
    const std::string left = "left", forward = "forward";
    a->decided("left", &left);        // follows
    b->decided("right", &forward);    // does not
    a->decided("center", &forward);   // follows
    a->runCommand(kThinkCommand);
    EXPECT_EQ(figures.take(), "0.000 0.000 0.667");
    EXPECT_EQ(first->commands.size(), 1u);  // the commands reach the minds unchanged
    b->decided("left", nullptr);  // no answer: no decision
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");
}

TEST(LiveFigures, KeepsEverySecondOfFlightButNotThePausesForTheSeriesAndThePicture) {
    LiveFigures figures;
    auto record = std::make_shared<testing::MindRecord>();
    auto mind = figures.watch(std::make_unique<testing::RecordingMind>(record));
    const std::string left = "left", right = "right";
    figures.addFrame(agentsAt({{0, 0, 0}, {2, 0, 0}}), 0);  // a paused frame: no flight
    for (int frame = 0; frame < 50; ++frame) {  // 2.5 s, distance 1 then 3
        if (frame == 3) mind->decided("left", &left);
        if (frame == 30) mind->decided("left", &right);
        const float apart = frame < 20 ? 2 : 6;
        figures.addFrame(agentsAt({{0, 0, 0}, {apart, 0, 0}}), 0.05);
    }
    EXPECT_DOUBLE_EQ(figures.seconds(), 2.5);
    EXPECT_EQ(seriesCsv(figures.series()),
              "run,time,distance,polarisation,following,decisions,failures\n"
              "0,1,1,1,100,1,0\n"
              "0,2,3,1,0,1,0\n");
    const FlightRecord& kept = figures.record();
    ASSERT_EQ(kept.distance.size(), 25u);  // ten samples a second
    EXPECT_DOUBLE_EQ(kept.distance.front(), 1);
    EXPECT_DOUBLE_EQ(kept.distance.back(), 3);
    ASSERT_EQ(kept.paths.size(), 2u);
    EXPECT_EQ(kept.paths[1].size(), 25u);
    EXPECT_EQ(kept.whole.decisions, 2);
    const std::string picture = flightPicture(kept, LiveFigures::kSamplesPerSecond, "two agents");
    EXPECT_NE(picture.find("<polyline"), std::string::npos);
    EXPECT_EQ(picture.find("nan"), std::string::npos);
    // The live figures read the same minds, apart.
    EXPECT_EQ(figures.take().substr(12), "0.500");
    figures.clear();
    EXPECT_EQ(seriesCsv(figures.series()), "run,time,distance,polarisation,following,decisions,failures\n");
    EXPECT_EQ(flightPicture(figures.record(), LiveFigures::kSamplesPerSecond, "nothing flown").find("nan"),
              std::string::npos);
}

TEST(LiveFigures, KeepsItsPathsAndSamplesBounded) {
    LiveFigures figures;
    std::vector<Agent> many(600);
    for (std::size_t i = 0; i < many.size(); ++i) many[i].x = static_cast<float>(i);
    const std::size_t share = LiveFigures::kPathPointLimit / many.size();
    // Frames of a quarter second: 2.5 samples each.
    const int frames = static_cast<int>(4 * share / (0.25 * LiveFigures::kSamplesPerSecond));
    for (int frame = 0; frame < frames; ++frame) {
        for (Agent& agent : many) agent.y = static_cast<float>(frame);
        figures.addFrame(many, 0.25);
    }
    const FlightRecord& kept = figures.record();
    EXPECT_LT(kept.paths[0].size(), share);
    EXPECT_GT(kept.paths[0].size(), share / 4);
    EXPECT_EQ(kept.paths[0].front().y, 0);  // the start stays; the path is thinned evenly
    EXPECT_GT(kept.paths[0].back().y, 0.9 * frames);
    LiveFigures longFlight;
    const std::vector<Agent> two(2);
    const auto longest = static_cast<int>(LiveFigures::kSampleLimit / (0.25 * LiveFigures::kSamplesPerSecond));
    for (int frame = 0; frame < longest + 100; ++frame) longFlight.addFrame(two, 0.25);
    EXPECT_EQ(longFlight.record().distance.size(), LiveFigures::kSampleLimit);
    EXPECT_EQ(longFlight.series().size(), LiveFigures::kSampleLimit / LiveFigures::kSamplesPerSecond);
    EXPECT_GT(longFlight.record().whole.endSeconds, longest * 0.25);
}

}  // namespace
}  // namespace flock::web
