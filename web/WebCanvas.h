#pragma once
// The Canvas of the web page: WebGL 1 on the page's <canvas>. A frame's points, lines
// and filled rectangles are gathered into one vertex buffer and drawn at present(), in
// the order they were drawn, with the window's projection (45 degrees, 0.1 to 100).

#include <cstddef>
#include <string>
#include <vector>

#include "app/sim/Canvas.h"

namespace flock::web {

class WebCanvas : public Canvas {
public:
    // Opens a WebGL context on the element `selector` (for example "#canvas").
    // False, with the reason in `problem`, when the browser has none.
    bool open(const char* selector, int width, int height, std::string& problem);

    void beginFrame(float cameraX, float cameraY, float cameraZ) override;
    void setColor(float red, float green, float blue, float alpha) override;
    void drawPoint(float x, float y, float z) override;
    void drawLine(float x1, float y1, float z1, float x2, float y2, float z2) override;
    void fillRect(float x1, float y1, float x2, float y2) override;
    void present() override;

    // Milliseconds spent in present() (handing the frame to WebGL) since last taken.
    double takeDrawingMs() {
        const double ms = drawingMs_;
        drawingMs_ = 0;
        return ms;
    }

    // The projection times the camera translation, column-major as GL takes it.
    static std::vector<float> sceneMatrix(float aspect, float cameraX, float cameraY, float cameraZ);

private:
    struct Vertex {
        float x, y, z;
        float r, g, b, a;
    };
    // Consecutive vertices of one primitive kind.
    struct Run {
        unsigned mode;
        std::size_t first;
        std::size_t count;
    };
    void add(unsigned mode, float x, float y, float z);
    void drawVertices();

    float aspect_ = 4.0f / 3.0f;
    float color_[4] = {1, 1, 1, 1};
    float camera_[3] = {0, 0, 0};
    std::vector<Vertex> vertices_;
    std::vector<Run> runs_;
    unsigned program_ = 0;
    unsigned buffer_ = 0;
    int matrixLocation_ = -1;
    int positionLocation_ = -1;
    int colorLocation_ = -1;
    double drawingMs_ = 0;
};

}  // namespace flock::web
