#pragma once
// The flock flown without a window, GL or display: the window's simulation on a
// simulated clock, with what it takes to judge it: how close and how aligned the
// agents fly, how often a decision follows the stimulus before it, and every decision
// with where it was made.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/sim/Canvas.h"
#include "app/sim/FlockSetup.h"
#include "app/sim/ObservedMind.h"

namespace flock {

// Draws nothing.
class NullCanvas : public Canvas {
public:
    void beginFrame(float, float, float) override {}
    void setColor(float, float, float, float) override {}
    void drawPoint(float, float, float) override {}
    void drawLine(float, float, float, float, float, float) override {}
    void fillRect(float, float, float, float) override {}
    void present() override {}
};

// Figures over a stretch of frames.
struct FlightFigures {
    double endSeconds = 0;  // simulated time at the end of the stretch
    std::int64_t frames = 0;
    double distanceSum = 0;      // per frame: mean distance of the agents from their centroid
    double polarisationSum = 0;  // per frame: length of the agents' mean unit heading
    std::int64_t decisions = 0;
    std::int64_t following = 0;  // decisions that followed their stimulus
    std::int64_t failures = 0;   // commands to the minds that raised a failure, decisions not a string

    double meanDistance() const;
    double meanPolarisation() const;
    double followingShare() const;  // 0 without decisions
    bool finite() const;            // the frames' figures are numbers
    void add(const FlightFigures& other);
};

// One frame's agents: their mean distance from their centroid and the length of their
// mean unit heading; finite: every position and heading is a number.
struct FrameShape {
    double distanceFromCentre = 0;
    double polarisation = 0;
    bool finite = true;
};
FrameShape measureFrame(const std::vector<Agent>& agents);
// The figures of one frame of that shape, ending at `endSeconds`.
FlightFigures frameFigures(const FrameShape& shape, double endSeconds);

// The figures a flight reports, one row each, in the order of the table's columns.
// The table and its header, the sweep's row files, checks, summary and picture, the
// series, the flight picture's summary lines, the help, the Python package's table and
// the web page's live figures are all made from these rows.
struct FlightFigure {
    const char* name;     // over the table's column and in the sweep's row files
    int width;            // of the table's column
    const char* cell;     // printf pattern of a table cell (the value is a double)
    const char* stored;   // printf pattern in a row file and the sweep's summary
    bool count;           // a number of things, stored as a whole number
    const char* summary;  // heading in the sweep's summary and picture; null: not summed up there
    bool higherIsBetter;
    const char* help;     // what it is, for the help
    const char* picture;  // printf pattern in the picture's summary: non-counts first line, counts second
    double (*of)(const FlightFigures&);  // its value over a stretch
    double low, high;     // what it can be: a mean, an interval or a difference beyond it is clamped
    const char* range;    // that, for the note under the sweep's table
    double (*live)(const FlightFigures&);  // its value on the web page, or null: not shown there
    double liveScale;      // the page shows live * liveScale with liveDigits decimals,
    int liveDigits;        // then the unit; a value below 0 as a dash
    const char* liveUnit;
};

enum FigureIndex : std::size_t { kDistance, kPolarisation, kFollowing, kDecisions, kFailures, kFigureCount };
extern const FlightFigure kFlightFigures[kFigureCount];
using FigureValues = std::array<double, kFigureCount>;
FigureValues valuesOf(const FlightFigures& figures);

// One decision: the agent's place and heading when it decided, the stimulus before
// it and its answer (empty when deciding failed).
struct DecisionRow {
    std::int64_t frame = 0;
    std::size_t agent = 0;
    float x = 0, y = 0, heading = 0;
    std::string stimulus;
    std::string decision;
};

struct PathPoint {
    float x = 0, y = 0;
};

struct FlightSettings {
    FlockChoice flock;
    unsigned seed = 1;
    double seconds = 60;
    int framesPerSecond = 60;
    bool watchOdds = false;        // read each agent's odds before it decides, as the window's D does
    std::int64_t periodFrames = 0;  // above 0: onPeriod gets the figures of every stretch this long
    std::function<void(const FlightFigures&)> onPeriod;
    bool keepPaths = false;  // every agent's position at the end of every frame
    bool keepDecisions = true;  // a row for every decision (FlightRecord::decisions)
};

struct FlightRecord {
    FlightFigures whole;
    std::vector<double> distance;      // per frame
    std::vector<double> polarisation;  // per frame
    std::vector<DecisionRow> decisions;         // when kept
    std::vector<std::vector<PathPoint>> paths;  // per agent, when kept
    bool allFinite = true;                      // every position and heading of every frame
    std::int64_t answered = 0;                  // decisions that gave an answer
    std::string firstFailure;                   // the text of the first failure, if any
};

// Whole frames for so many seconds: at least one.
std::int64_t flightFrames(double seconds, int framesPerSecond);

// Seeds the C generator, makes the agents and the background particles as the window
// does, then flies them unpaused for the given simulated time with the clock moving
// 1000 / framesPerSecond milliseconds a frame, and releases them. Script messages go
// to standard output as in the window. Raises SetupFailure as createProgramFlock does.
FlightRecord flyHeadless(const FlightSettings& settings);

}  // namespace flock
