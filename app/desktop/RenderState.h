#pragma once
// Fixed render state and the perspective projection of the scene. Need a current
// GL context.

namespace flock {

// Viewport and projection for a framebuffer of this size. A zero width or height
// (a minimised window) changes nothing and answers false.
bool resizeViewport(int width, int height);
// Smooth shading, black clear colour, depth test with less-or-equal.
bool initRenderState();

}  // namespace flock
