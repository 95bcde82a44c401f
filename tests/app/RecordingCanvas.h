#pragma once
// A Canvas that records what was drawn, for tests without a window.

#include <vector>

#include "app/Canvas.h"

namespace flock::testing {

struct DrawnPoint {
    float x, y, z;
    float grey;  // the red channel of the colour it was drawn in
};

class RecordingCanvas : public Canvas {
public:
    void beginFrame(float x, float y, float z) override {
        ++frames;
        points.clear();
        lines = 0;
        cameraX = x;
        cameraY = y;
        cameraZ = z;
    }
    void setColor(float red, float, float, float) override { colorRed = red; }
    void drawPoint(float x, float y, float z) override { points.push_back({x, y, z, colorRed}); }
    void drawLine(float, float, float, float, float, float) override { ++lines; }
    void present() override { ++presented; }

    int frames = 0;
    int presented = 0;
    int lines = 0;
    float cameraX = 0, cameraY = 0, cameraZ = 0;
    float colorRed = 1;
    std::vector<DrawnPoint> points;  // of the current frame
};

}  // namespace flock::testing
