#pragma once
// What a headless flight measured, as text for people and programs: the figures
// table, the decisions as CSV, and an SVG picture of the paths and the figures.

#include <string>

#include "app/HeadlessFlight.h"

namespace flock {

// The table's header line, then one row per stretch of the flight ("all" for the whole).
std::string figuresHeader();
std::string figuresRow(const std::string& label, const FlightFigures& figures);
// "the figures: " and what each is, in lines of the help's option descriptions.
std::string figuresHelp();
// The row label of a stretch ending at `seconds`.
std::string stretchLabel(double seconds);

// "time,agent,x,y,heading,stimulus,decision", then one line per decision in the order made.
std::string decisionsCsv(const FlightRecord& record, int framesPerSecond);

// The agents' paths in their window colours over a black field, and under them the
// distance from the centroid and the polarisation over time. Needs the kept paths.
std::string flightPicture(const FlightRecord& record, int framesPerSecond, const std::string& title);

}  // namespace flock
