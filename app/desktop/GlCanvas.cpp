#include "app/desktop/GlCanvas.h"

#include <GL/gl.h>

#include "app/desktop/GlfwWindow.h"

namespace flock {

void GlCanvas::beginFrame(float cameraX, float cameraY, float cameraZ) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(cameraX, cameraY, cameraZ);
}

void GlCanvas::setColor(float red, float green, float blue, float alpha) {
    glColor4f(red, green, blue, alpha);
}

void GlCanvas::drawPoint(float x, float y, float z) {
    glBegin(GL_POINTS);
    glVertex3f(x, y, z);
    glEnd();
}

void GlCanvas::drawLine(float x1, float y1, float z1, float x2, float y2, float z2) {
    glBegin(GL_LINES);
    glVertex3f(x1, y1, z1);
    glVertex3f(x2, y2, z2);
    glEnd();
}

void GlCanvas::fillRect(float x1, float y1, float x2, float y2) {
    glBegin(GL_QUADS);
    glVertex3f(x1, y1, 0);
    glVertex3f(x2, y1, 0);
    glVertex3f(x2, y2, 0);
    glVertex3f(x1, y2, 0);
    glEnd();
}

void GlCanvas::present() { window_.swapBuffers(); }

}  // namespace flock
