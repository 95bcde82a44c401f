#pragma once
// What the simulation draws with. The window implements it with OpenGL; tests
// record the calls instead.

namespace flock {

class Canvas {
public:
    virtual ~Canvas() = default;
    // Clears colour and depth and places the scene at the camera translation.
    virtual void beginFrame(float cameraX, float cameraY, float cameraZ) = 0;
    virtual void setColor(float red, float green, float blue, float alpha) = 0;
    // One point at the default point size.
    virtual void drawPoint(float x, float y, float z) = 0;
    // One line segment.
    virtual void drawLine(float x1, float y1, float z1, float x2, float y2, float z2) = 0;
    // A filled rectangle at z = 0 between two corners.
    virtual void fillRect(float x1, float y1, float x2, float y2) = 0;
    // Shows the finished frame.
    virtual void present() = 0;
};

}  // namespace flock
