#pragma once
// A Canvas that records what was drawn, for tests without a window.

#include <vector>

#include "app/Canvas.h"

namespace flock::testing {

struct DrawnPoint {
    float x, y, z;
    float grey;  // the red channel of the colour it was drawn in
};

struct DrawnLine {
    float x1, y1, z1, x2, y2, z2;
    float red, green, blue, alpha;  // the colour it was drawn in
};

class RecordingCanvas : public Canvas {
public:
    void beginFrame(float x, float y, float z) override {
        ++frames;
        points.clear();
        lines = 0;
        lineList.clear();
        cameraX = x;
        cameraY = y;
        cameraZ = z;
    }
    void setColor(float red, float green, float blue, float alpha) override {
        colorRed = red;
        colorGreen = green;
        colorBlue = blue;
        colorAlpha = alpha;
    }
    void drawPoint(float x, float y, float z) override { points.push_back({x, y, z, colorRed}); }
    void drawLine(float x1, float y1, float z1, float x2, float y2, float z2) override {
        ++lines;
        lineList.push_back({x1, y1, z1, x2, y2, z2, colorRed, colorGreen, colorBlue, colorAlpha});
    }
    void present() override { ++presented; }

    int frames = 0;
    int presented = 0;
    int lines = 0;
    float cameraX = 0, cameraY = 0, cameraZ = 0;
    float colorRed = 1, colorGreen = 1, colorBlue = 1, colorAlpha = 1;
    std::vector<DrawnPoint> points;   // of the current frame
    std::vector<DrawnLine> lineList;  // of the current frame
};

}  // namespace flock::testing
