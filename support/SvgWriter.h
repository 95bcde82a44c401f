#pragma once
// A small SVG writer for the pictures the programs draw of what they measured (flight
// paths, figures over time, fitness over the generations). Output is deterministic:
// numbers are written with two decimals, whatever the locale.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace support {

struct SvgPoint {
    double x = 0.0;
    double y = 0.0;
};

class SvgDocument {
public:
    // A picture of width x height user units, filled with `background`.
    SvgDocument(double width, double height, std::string_view background = "#ffffff");

    void rect(double x, double y, double width, double height, std::string_view fill,
              std::string_view stroke = "none", double strokeWidth = 1.0);
    void line(double x1, double y1, double x2, double y2, std::string_view stroke, double width = 1.0,
              bool dashed = false);
    void polyline(std::span<const SvgPoint> points, std::string_view stroke, double width = 1.0,
                  double opacity = 1.0);
    void circle(double cx, double cy, double radius, std::string_view fill);
    // A closed shape filled with `fill` at `opacity`, without a stroke.
    void polygon(std::span<const SvgPoint> points, std::string_view fill, double opacity = 1.0);
    // `anchor` is "start", "middle" or "end"; `rotation` turns the text about (x, y) by
    // that many degrees, clockwise. The text is escaped.
    void text(double x, double y, std::string_view content, double size = 12.0,
              std::string_view anchor = "start", std::string_view fill = "#000000", double rotation = 0.0);

    double width() const { return width_; }
    double height() const { return height_; }
    // The whole document, ready to be written to a .svg file.
    std::string str() const;

private:
    double width_;
    double height_;
    std::string body_;
};

// One curve of a line chart, drawn in data coordinates.
struct ChartSeries {
    std::string name;
    std::string colour;
    std::vector<SvgPoint> points;
    double width = 1.5;
};

// A horizontal reference line at data height y, labelled at its right end.
struct ChartMark {
    double y = 0.0;
    std::string label;
};

struct LineChart {
    std::string title;
    std::string xLabel;
    std::string yLabel;
    std::vector<ChartSeries> series;
    std::vector<ChartMark> marks;
    // Axis ranges; a range whose ends are equal is taken from the data and the marks.
    double xMin = 0.0, xMax = 0.0;
    double yMin = 0.0, yMax = 0.0;
};

// Draws `chart` into the rectangle (x, y, width, height) of `doc`: frame, ticks with
// their values, axis labels, title, legend (in rows across the top of the plot), marks
// and one polyline per series. A series with more points than the plot is wide in units
// is thinned for the drawing.
void drawLineChart(SvgDocument& doc, const LineChart& chart, double x, double y, double width, double height);

// At most `limit` (at least 2) of `points`, evenly spread, the first and last kept.
std::vector<SvgPoint> thinned(std::span<const SvgPoint> points, std::size_t limit);

// Text with the five XML special characters written as entities.
std::string escapeXml(std::string_view text);

}  // namespace support
