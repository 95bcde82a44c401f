#include "app/desktop/GlfwWindow.h"

#include <GLFW/glfw3.h>

#include <iostream>

#include "app/desktop/KeyMapping.h"
#include "app/sim/KeyState.h"
#include "app/desktop/RenderState.h"

namespace flock {

namespace {

void reportGlfwError(int code, const char* description) {
    std::cerr << "GLFW error " << code << ": " << description << '\n';
}

}  // namespace

bool GlfwWindow::open(const std::string& title) {
    glfwSetErrorCallback(reportGlfwError);
    if (!glfwInit()) {
        std::cerr << "Failed To Register The Window Class.\n";
        return false;
    }
    initialised_ = true;

    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
    glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
    glfwWindowHint(GLFW_DEPTH_BITS, 16);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    // Hidden until placed, so it never shows up elsewhere first.
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window_ = glfwCreateWindow(kWindowWidth, kWindowHeight, title.c_str(), nullptr, nullptr);
    if (!window_) return fail("Window Creation Error.");

    glfwSetWindowUserPointer(window_, this);
    glfwSetKeyCallback(window_, onKey);
    glfwSetFramebufferSizeCallback(window_, onFramebufferSize);

    glfwMakeContextCurrent(window_);
    if (glfwGetCurrentContext() != window_) return fail("Can't Activate The GL Rendering Context.");
    // Frames in step with the display where it can; FramePacer caps the rest.
    glfwSwapInterval(1);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits < 16) return fail("Can't Find A Suitable PixelFormat.");

    // The outer frame goes to the screen's corner, the client area just inside it.
    int left = 0, top = 0, right = 0, bottom = 0;
    glfwGetWindowFrameSize(window_, &left, &top, &right, &bottom);
    glfwSetWindowPos(window_, left, top);
    glfwShowWindow(window_);
    glfwFocusWindow(window_);

    int width = 0, height = 0;
    glfwGetFramebufferSize(window_, &width, &height);
    if (width <= 0 || height <= 0) {
        width = kWindowWidth;
        height = kWindowHeight;
    }
    resizeViewport(width, height);
    if (!initRenderState()) return fail("Initialization Failed.");
    return true;
}

void GlfwWindow::pollEvents() { glfwPollEvents(); }

bool GlfwWindow::closeRequested() const { return window_ && glfwWindowShouldClose(window_); }

void GlfwWindow::swapBuffers() {
    if (window_) glfwSwapBuffers(window_);
}

void GlfwWindow::close() {
    if (window_) {
        if (glfwGetCurrentContext() == window_) glfwMakeContextCurrent(nullptr);
        glfwDestroyWindow(window_);
        window_ = nullptr;
    }
    if (initialised_) {
        glfwTerminate();
        initialised_ = false;
    }
}

bool GlfwWindow::fail(const char* message) {
    close();
    std::cerr << message << '\n';
    return false;
}

void GlfwWindow::onKey(GLFWwindow* window, int key, int, int action, int) {
    auto* self = static_cast<GlfwWindow*>(glfwGetWindowUserPointer(window));
    int code = virtualKeyFromGlfw(key);
    if (!self || code < 0) return;
    // Auto-repeat counts as another key-down.
    if (action == GLFW_PRESS || action == GLFW_REPEAT) self->keys_.keyDown(code);
    if (action == GLFW_RELEASE) self->keys_.keyUp(code);
}

void GlfwWindow::onFramebufferSize(GLFWwindow*, int width, int height) {
    resizeViewport(width, height);
}

}  // namespace flock
