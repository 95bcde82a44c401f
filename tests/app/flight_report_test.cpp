// What a headless flight writes: the figures table, the decisions as CSV, the picture.
#include "app/sim/FlightReport.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace flock {
namespace {

FlightRecord twoAgents() {
    FlightRecord record;
    record.whole = {.endSeconds = 0.05, .frames = 3, .distanceSum = 3 * 2.5, .polarisationSum = 0.3 + 0.6 + 0.9,
                    .decisions = 3, .following = 2, .failures = 1};
    record.distance = {2, 2.5, 3};
    record.polarisation = {0.3, 0.6, 0.9};
    record.paths = {{{0, 0}, {1, 0.5f}, {2, 1}}, {{0, 1}, {-1, 1}, {-2, 1}}};
    record.decisions = {{0, 1, 0, 1, 90, "left", "left"}, {2, 0, 1.5f, -0.25f, 359.6f, "center", "right"},
                        {2, 1, -2, 1, 180, "right", ""}};  // the last: deciding failed
    return record;
}

TEST(FlightReport, TheTableHasOneAlignedRowPerStretchWithTheFiveFigures) {
    const FlightRecord record = twoAgents();
    EXPECT_EQ(figuresHeader(), " seconds   distance  polarisation  following  decisions  failures\n");
    EXPECT_EQ(figuresRow("all", record.whole), "     all      2.500         0.600      66.7%          3         1\n");
    EXPECT_EQ(figuresRow(stretchLabel(10), {}), "   10.00      0.000         0.000       0.0%          0         0\n");
    EXPECT_EQ(figuresHeader().size(), figuresRow("all", record.whole).size());
}

TEST(FlightReport, TheCsvHasOneRowPerDecisionUnderTheStatedColumns) {
    EXPECT_EQ(decisionsCsv(twoAgents(), 60), "time,agent,x,y,heading,stimulus,decision\n"
                                             "0.000,1,0.0000,1.0000,90.00,left,left\n"
                                             "0.033,0,1.5000,-0.2500,359.60,center,right\n"
                                             "0.033,1,-2.0000,1.0000,180.00,right,\n");
}

TEST(FlightReport, ThePictureDrawsEachPathInItsWindowColourAboveTheTwoCharts) {
    const std::string svg = flightPicture(twoAgents(), 60, "2 agents & <more>");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    for (const char* text : {"2 agents &amp; &lt;more&gt;", "Mean distance from the centroid", "Polarisation",
             ">distance from centroid 2.50, polarisation 0.60, decisions following their stimulus 66.7%<",
             ">3 decisions, 1 command failures, 0.05 simulated seconds<"})
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    const auto white = svg.find("<polyline fill=\"none\" stroke=\"#ffffff\"");
    const auto blue = svg.find("<polyline fill=\"none\" stroke=\"#0000ff\"");
    ASSERT_TRUE(white != std::string::npos && blue != std::string::npos);
    EXPECT_LT(white, blue);  // the coloured agent on top
    // One scale for both axes: agent 0 climbs 1 for 2 across, so its drawn path does too.
    float x0, y0, x1, y1;
    ASSERT_EQ(std::sscanf(&svg[svg.find("points=\"", white) + 8], "%f,%f %*f,%*f %f,%f", &x0, &y0, &x1, &y1), 4);
    EXPECT_NEAR((y0 - y1) / (x1 - x0), 0.5f, 0.01f);
}

}  // namespace
}  // namespace flock
