#include "app/KeyMapping.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/KeyState.h"

namespace flock {
namespace {

TEST(KeyMapping, FlockKeysGetTheirVirtualKeyCodes) {
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_ESCAPE), VirtualKey::Escape);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_P), VirtualKey::P);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_R), VirtualKey::R);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_X), VirtualKey::X);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_Z), VirtualKey::Z);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_A), 'A');
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_7), '7');
    // Keys the flock has no code for are dropped.
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_UNKNOWN), -1);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_F12), -1);
    EXPECT_EQ(virtualKeyFromGlfw(GLFW_KEY_LAST), -1);
}

}  // namespace
}  // namespace flock
