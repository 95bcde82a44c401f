#pragma once
// Window-system key codes to the virtual-key codes the frame loop reads.

namespace flock {

// The virtual-key code of a GLFW key, or -1 when the flock has no use for it.
// Letters map to their upper-case code, digits and space to theirs, Escape to 27.
int virtualKeyFromGlfw(int glfwKey);

}  // namespace flock
