#pragma once
// What a headless flight measured, as text for people and programs: the figures
// table, the decisions as CSV, and an SVG picture of the paths and the figures.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "app/sim/HeadlessFlight.h"

namespace flock {

// printf's `pattern` with `values`, up to 255 characters.
template <typename... Values>
std::string format(const char* pattern, Values... values) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// Strict numbers: the whole text, finite, nothing after it.
template <typename Number>
bool readField(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if constexpr (std::is_floating_point_v<Number>)
        if (!std::isfinite(value)) return false;
    return !text.empty() && error == std::errc() && stop == end;
}

// The table's header line, then one row per stretch of the flight ("all" for the whole).
std::string figuresHeader();
std::string figuresRow(const std::string& label, const FlightFigures& figures);
// "the figures: " and what each is, in lines of the help's option descriptions.
std::string figuresHelp();
// "run,time" and the figures' names; one line per stretch, counts whole, the rest at
// full precision.
std::string seriesHeader();
std::string seriesLine(std::int64_t run, const FlightFigures& stretch);
// "," before each figure's name, and before each value as the series writes it.
std::string figureColumns();
std::string figureFields(const FigureValues& values);
// The figures shown on the web page, "%.3f" each, a space between.
std::string liveFigures(const FlightFigures& figures);
// The row label of a stretch ending at `seconds`.
std::string stretchLabel(double seconds);

// "time,agent,x,y,heading,stimulus,decision", then one line per decision in the order made.
std::string decisionsCsv(const FlightRecord& record, int framesPerSecond);

// The agents' paths in their window colours over a black field, and under them the
// distance from the centroid and the polarisation over time. Needs the kept paths.
std::string flightPicture(const FlightRecord& record, int framesPerSecond, const std::string& title);

}  // namespace flock
