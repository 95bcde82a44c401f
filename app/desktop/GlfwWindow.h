#pragma once
// The one application window: an 800 x 600 client area at the top-left of the
// screen with a double-buffered OpenGL 1.x context and a depth buffer.
// Key events go to a KeyState; a framebuffer resize resets the viewport.

#include <string>

struct GLFWwindow;

namespace flock {

class KeyState;

inline constexpr int kWindowWidth = 800;
inline constexpr int kWindowHeight = 600;

class GlfwWindow {
public:
    explicit GlfwWindow(KeyState& keys) : keys_(keys) {}
    ~GlfwWindow() { close(); }
    GlfwWindow(const GlfwWindow&) = delete;
    GlfwWindow& operator=(const GlfwWindow&) = delete;

    // Opens the window and makes its context current. On failure prints the
    // failure's message to standard error, releases what was built, answers false.
    bool open(const std::string& title);
    // Handles every waiting event without waiting for new ones.
    void pollEvents();
    // The user asked to close the window.
    bool closeRequested() const;
    void swapBuffers();
    // Releases context, window and the window system; safe to call twice.
    void close();

private:
    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void onFramebufferSize(GLFWwindow* window, int width, int height);
    bool fail(const char* message);

    KeyState& keys_;
    GLFWwindow* window_ = nullptr;
    bool initialised_ = false;
};

}  // namespace flock
