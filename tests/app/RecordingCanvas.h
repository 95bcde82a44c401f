#pragma once
// A Canvas that records what was drawn, for tests without a window.
#include <vector>
#include "app/sim/AgentDrawing.h"
#include "app/sim/Canvas.h"

namespace flock::testing {

struct DrawnPoint { float x, grey; };  // grey: the red channel of the colour it was drawn in
struct DrawnLine { float x1, y1, x2, y2; Color color; };
using DrawnRect = DrawnLine;  // two corners

class RecordingCanvas : public Canvas {
public:
    void beginFrame(float x, float, float z) override {
        points.clear(), lines.clear(), rects.clear();
        cameraX = x, cameraZ = z;
    }
    void setColor(float r, float g, float b, float a) override { color = {r, g, b, a}; }
    void drawPoint(float x, float, float) override { points.push_back({x, color.red}); }
    void drawLine(float a, float b, float, float c, float d, float) override { lines.push_back({a, b, c, d, color}); }
    void fillRect(float a, float b, float c, float d) override { rects.push_back({a, b, c, d, color}); }
    void present() override { ++presented; }

    int presented = 0;
    float cameraX = 0, cameraZ = 0;
    Color color{1, 1, 1, 1};
    std::vector<DrawnPoint> points;  // all three: of the current frame
    std::vector<DrawnLine> lines;
    std::vector<DrawnRect> rects;
};

}  // namespace flock::testing
