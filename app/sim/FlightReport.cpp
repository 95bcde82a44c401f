#include "app/sim/FlightReport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "app/sim/AgentDrawing.h"
#include "app/sim/WorldSettings.h"
#include "support/SvgWriter.h"

namespace flock {

namespace {

using support::LineChart;
using support::SvgDocument;
using support::SvgPoint;

std::string hexColour(const Color& color) {
    auto channel = [](float value) { return static_cast<unsigned>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255)); };
    return format("#%02x%02x%02x", channel(color.red), channel(color.green), channel(color.blue));
}

// Paths of coloured agents on top: the white ones first, then 3, 2, 1.
std::vector<std::size_t> drawingOrder(std::size_t agents) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < agents; ++i)
        if (i == 0 || i > 3) order.push_back(i);
    for (std::size_t i = std::min<std::size_t>(agents, 4); i-- > 1;) order.push_back(i);
    return order;
}

// 1, 2 or 5 times a power of ten, about a fifth of `span`.
double scaleLength(double span) {
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {5.0, 2.0, 1.0})
        if (factor * power <= raw) return factor * power;
    return power;
}

void drawPaths(SvgDocument& doc, const FlightRecord& record, double x, double y, double width, double height) {
    doc.rect(x, y, width, height, "#000000");
    double lowX = std::numeric_limits<double>::infinity(), highX = -lowX, lowY = lowX, highY = -lowX;
    for (const auto& path : record.paths)
        for (const PathPoint& p : path) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            lowX = std::min<double>(lowX, p.x);
            highX = std::max<double>(highX, p.x);
            lowY = std::min<double>(lowY, p.y);
            highY = std::max<double>(highY, p.y);
        }
    if (!(highX >= lowX)) return;  // nothing finite to draw
    const double margin = 16;
    const double span = std::max({highX - lowX, highY - lowY, 1.0});
    // One scale for both axes, so the flight keeps its shape; y grows upwards as in the window.
    const double scale = std::min((width - 2 * margin) / std::max(highX - lowX, span * 1e-3),
                                  (height - 2 * margin) / std::max(highY - lowY, span * 1e-3));
    const double centreX = (lowX + highX) / 2, centreY = (lowY + highY) / 2;
    auto toX = [&](double v) { return x + width / 2 + (v - centreX) * scale; };
    auto toY = [&](double v) { return y + height / 2 - (v - centreY) * scale; };

    for (std::size_t agent : drawingOrder(record.paths.size())) {
        std::vector<SvgPoint> drawn;
        for (const PathPoint& p : record.paths[agent])
            if (std::isfinite(p.x) && std::isfinite(p.y)) drawn.push_back({toX(p.x), toY(p.y)});
        if (drawn.empty()) continue;
        const std::string colour = hexColour(agentColor(agent));
        drawn = support::thinned(drawn, 600);
        doc.polyline(drawn, colour, 1.2, 0.85);
        doc.circle(drawn.front().x, drawn.front().y, 2.5, "#808080");
        doc.circle(drawn.back().x, drawn.back().y, 3.5, colour);
    }
    const double bar = scaleLength(width / scale);
    const double barLeft = x + margin, barY = y + height - margin;
    doc.line(barLeft, barY, barLeft + bar * scale, barY, "#c0c0c0", 2);
    doc.text(barLeft, barY - 6, format("%g units", bar), 11, "start", "#c0c0c0");
    doc.text(x + width - margin, barY - 6, "grey dot: start, coloured dot: end", 11, "end", "#c0c0c0");
}

std::vector<SvgPoint> overTime(const std::vector<double>& values, int framesPerSecond) {
    std::vector<SvgPoint> points;
    points.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        points.push_back({static_cast<double>(i + 1) / framesPerSecond, values[i]});
    return points;
}

LineChart chartOverTime(const std::string& title, const std::string& yLabel, const std::vector<double>& values,
                        double mean, int framesPerSecond, double seconds) {
    LineChart chart;
    chart.title = title;
    chart.xLabel = "simulated seconds";
    chart.yLabel = yLabel;
    chart.series.push_back({yLabel, "#1f5fbf", overTime(values, framesPerSecond), 1.5});
    chart.marks.push_back({mean, format("mean %.3g", mean)});
    chart.xMin = 0;
    chart.xMax = seconds;
    chart.yMin = 0;
    double highest = mean;
    for (double v : values)
        if (std::isfinite(v)) highest = std::max(highest, v);
    chart.yMax = highest > 0 ? highest * 1.05 : 1;
    return chart;
}

}  // namespace

std::string figuresHeader() {
    std::string header = format("%8s", "seconds");
    for (const FlightFigure& figure : kFlightFigures) header += format(" %*s", figure.width, figure.name);
    return header + "\n";
}

std::string figuresRow(const std::string& label, const FlightFigures& figures) {
    std::string row = format("%8s", label.c_str());
    for (const FlightFigure& figure : kFlightFigures) {
        row += ' ';
        row += format(figure.cell, figure.of(figures));
    }
    return row + "\n";
}

std::string figuresHelp() {
    const std::string indent(22, ' ');
    constexpr std::size_t kWidth = 86;
    std::string text, line = indent + "the figures:";
    for (std::size_t i = 0; i < kFigureCount; ++i) {
        const std::string words = std::string(kFlightFigures[i].help) + (i + 1 < kFigureCount ? "," : "");
        if (line.size() + 1 + words.size() > kWidth) {
            text += line + "\n";
            line = indent + words;
        } else {
            line += " " + words;
        }
    }
    return text + line + "\n";
}

std::string seriesHeader() { return "run,time" + figureColumns() + "\n"; }

std::string seriesLine(std::int64_t run, const FlightFigures& stretch) {
    return std::to_string(run) + "," + settingText(stretch.endSeconds) + figureFields(valuesOf(stretch)) + "\n";
}

std::string figureColumns() {
    std::string columns;
    for (const FlightFigure& figure : kFlightFigures) columns += std::string(",") + figure.name;
    return columns;
}

std::string figureFields(const FigureValues& values) {
    std::string fields;
    for (std::size_t i = 0; i < kFigureCount; ++i) {
        fields += ',';
        fields += kFlightFigures[i].count ? std::to_string(static_cast<std::int64_t>(values[i])) : settingText(values[i]);
    }
    return fields;
}

std::string liveFigures(const FlightFigures& figures) {
    std::string text;
    for (const FlightFigure& figure : kFlightFigures)
        if (figure.live) text += format(text.empty() ? "%.3f" : " %.3f", figure.live(figures));
    return text;
}

std::string stretchLabel(double seconds) { return format("%.2f", seconds); }

std::string decisionsCsv(const FlightRecord& record, int framesPerSecond) {
    std::string csv = "time,agent,x,y,heading,stimulus,decision\n";
    for (const DecisionRow& row : record.decisions) {
        csv += format("%.3f,%zu,%.4f,%.4f,%.2f,", static_cast<double>(row.frame) / framesPerSecond, row.agent,
                      static_cast<double>(row.x), static_cast<double>(row.y), static_cast<double>(row.heading));
        csv += row.stimulus + "," + row.decision + "\n";
    }
    return csv;
}

std::string flightPicture(const FlightRecord& record, int framesPerSecond, const std::string& title) {
    const double width = 760, margin = 10, pathsHeight = 480, chartHeight = 200;
    SvgDocument doc(width, 80 + pathsHeight + 2 * chartHeight + 2 * margin);
    doc.text(width / 2, 24, title, 16, "middle");
    const FlightFigures& whole = record.whole;
    // The measures on the first line, the counts on the second.
    std::string lines[2];
    for (const FlightFigure& figure : kFlightFigures) {
        std::string& line = lines[figure.count ? 1 : 0];
        if (!line.empty()) line += ", ";
        line += format(figure.picture, figure.of(whole));
    }
    lines[1] += format(", %.2f simulated seconds", whole.endSeconds);
    doc.text(width / 2, 46, lines[0], 12, "middle", "#333333");
    doc.text(width / 2, 64, lines[1], 12, "middle", "#333333");
    drawPaths(doc, record, margin, 76, width - 2 * margin, pathsHeight);
    const double chartsTop = 76 + pathsHeight + margin;
    drawLineChart(doc,
                  chartOverTime("Mean distance from the centroid", "distance", record.distance, whole.meanDistance(),
                                framesPerSecond, whole.endSeconds),
                  margin, chartsTop, width - 2 * margin, chartHeight);
    LineChart polarisation = chartOverTime("Polarisation (length of the mean heading)", "polarisation",
                                           record.polarisation, whole.meanPolarisation(), framesPerSecond,
                                           whole.endSeconds);
    polarisation.yMax = 1;
    drawLineChart(doc, polarisation, margin, chartsTop + chartHeight, width - 2 * margin, chartHeight);
    return doc.str();
}

}  // namespace flock
