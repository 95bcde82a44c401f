#pragma once
// Canvas drawn with OpenGL immediate mode into the window's context.

#include "app/sim/Canvas.h"

namespace flock {

class GlfwWindow;

class GlCanvas : public Canvas {
public:
    explicit GlCanvas(GlfwWindow& window) : window_(window) {}

    void beginFrame(float cameraX, float cameraY, float cameraZ) override;
    void setColor(float red, float green, float blue, float alpha) override;
    void drawPoint(float x, float y, float z) override;
    void drawLine(float x1, float y1, float z1, float x2, float y2, float z2) override;
    void fillRect(float x1, float y1, float x2, float y2) override;
    void present() override;

private:
    GlfwWindow& window_;
};

}  // namespace flock
