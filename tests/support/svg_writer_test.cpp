#include "support/SvgWriter.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
using namespace support;
namespace {
int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(SvgWriter, ShapesAreWrittenWithTwoDecimalsAndEscapedText) {
    SvgDocument doc(200, 100, "#000");
    doc.line(0, 0.126, 10, 20, "red");
    doc.polyline(std::vector<SvgPoint>{{1, 2}, {3.333, -4}}, "blue", 2, 0.5);
    doc.text(5, 6, "a < b & \"c\"\x01", 10, "middle", "#fff", -90);
    const std::string svg = doc.str();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    for (const char* part :
         {"width=\"200\" height=\"100\" viewBox=\"0 0 200 100\"", "y1=\"0.13\"", "points=\"1,2 3.33,-4\"",
          "stroke-opacity=\"0.5\"", ">a &lt; b &amp; &quot;c&quot; </text>", "transform=\"rotate(-90 5 6)\""})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(SvgWriter, ThinningKeepsTheEndsAndThePointsNearestEvenSteps) {
    std::vector<SvgPoint> points;
    for (int i = 0; i <= 10; ++i) points.push_back({double(i), 0});
    auto kept = [&](std::size_t limit) {
        std::string xs;
        for (const SvgPoint& p : thinned(points, limit)) xs += std::to_string(int(p.x)) + " ";
        return xs;
    };
    EXPECT_EQ(kept(4), "0 3 7 10 ");  // steps of 10/3
    EXPECT_EQ(kept(0), "0 10 ");
    EXPECT_EQ(kept(11), "0 1 2 3 4 5 6 7 8 9 10 ");
}

// Marks outside the fixed range are left out; its ticks are 0, 5 and 10.
TEST(SvgWriter, AChartDrawsOnlyTheMarksAndTicksOfItsRange) {
    LineChart chart;
    chart.series = {{"best", "#1f77b4", {{0, 1}, {9, 7}}}};
    chart.marks = {{10, "ceiling 10"}, {99, "off the chart"}};
    chart.yMin = 0;
    chart.yMax = 12;
    SvgDocument doc(472, 300);
    drawLineChart(doc, chart, 0, 0, 472, 300);
    for (const auto& [part, count] :
         {std::pair{">ceiling 10</text>", 1}, {"off the chart", 0}, {">5</text>", 1}, {">10</text>", 1}})
        EXPECT_EQ(occurrences(doc.str(), part), count) << part;
}

TEST(SvgWriter, ALegendWiderThanThePlotWrapsOntoAnotherRow) {
    LineChart chart;
    for (int i = 0; i < 12; ++i) chart.series.push_back({"series " + std::to_string(i), "#000", {{0, 0}, {1, 1}}});
    SvgDocument doc(472, 300);
    drawLineChart(doc, chart, 0, 0, 472, 300);
    // 76 units an entry: five fit in the plot's 400 after the first 8; the sixth and eleventh open rows 14 lower.
    for (const auto& [part, count] :
         {std::pair{"y=\"44\"", 5}, {"x=\"84\" y=\"58\"", 1}, {"y=\"58\"", 5}, {"y=\"72\"", 2}})
        EXPECT_EQ(occurrences(doc.str(), std::string(part) + " font-family"), count) << part;
}
}  // namespace
