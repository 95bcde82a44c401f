#include "app/desktop/KeyMapping.h"

#include <GLFW/glfw3.h>

namespace flock {

int virtualKeyFromGlfw(int glfwKey) {
    // GLFW numbers these keys by their ASCII codes, as the virtual keys do.
    if (glfwKey >= GLFW_KEY_A && glfwKey <= GLFW_KEY_Z) return glfwKey;
    if (glfwKey >= GLFW_KEY_0 && glfwKey <= GLFW_KEY_9) return glfwKey;
    switch (glfwKey) {
        case GLFW_KEY_SPACE: return 32;
        case GLFW_KEY_ESCAPE: return 27;
        case GLFW_KEY_ENTER: return 13;
        case GLFW_KEY_TAB: return 9;
        case GLFW_KEY_BACKSPACE: return 8;
        case GLFW_KEY_LEFT: return 37;
        case GLFW_KEY_UP: return 38;
        case GLFW_KEY_RIGHT: return 39;
        case GLFW_KEY_DOWN: return 40;
        default: return -1;
    }
}

}  // namespace flock
