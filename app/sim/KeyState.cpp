#include "app/sim/KeyState.h"

namespace flock {

void KeyState::keyDown(int code) {
    if (!valid(code)) return;
    down_[code] = true;
    pressed_[code] = true;
}

void KeyState::keyUp(int code) {
    if (!valid(code)) return;
    down_[code] = false;
}

bool KeyState::isDown(int code) const { return valid(code) && down_[code]; }

bool KeyState::wasPressed(int code) const {
    return valid(code) && (down_[code] || pressed_[code]);
}

bool KeyState::takePress(int code) {
    if (!wasPressed(code)) return false;
    down_[code] = false;
    pressed_[code] = false;
    return true;
}

}  // namespace flock
