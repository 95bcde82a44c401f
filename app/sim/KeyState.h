#pragma once
// Keyboard state in virtual-key codes (letters by their upper-case code).
// Besides whether a key is down, it remembers that a key went down since the loop
// last took it, so a tap released before the loop looks is still seen.

#include <array>

namespace flock {

namespace VirtualKey {
inline constexpr int Escape = 27;
inline constexpr int D = 68;
inline constexpr int P = 80;
inline constexpr int R = 82;
inline constexpr int X = 88;
inline constexpr int Z = 90;
}  // namespace VirtualKey

class KeyState {
public:
    static constexpr int kCount = 256;

    // Key down, auto-repeat included. Codes outside 0..255 are ignored.
    void keyDown(int code);
    void keyUp(int code);

    // Held right now (and not taken since it went down).
    bool isDown(int code) const;
    // Held or pressed since last taken; leaves the press in place.
    bool wasPressed(int code) const;
    // Like wasPressed, but consumes the press: the key must go down again to count.
    bool takePress(int code);

private:
    static bool valid(int code) { return code >= 0 && code < kCount; }

    std::array<bool, kCount> down_{};
    std::array<bool, kCount> pressed_{};
};

}  // namespace flock
