#include "interp/ConsoleKeys.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace tala::interp {

namespace {

bool inputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

// Puts the terminal into single-key mode (no line buffering, no echo) for the
// lifetime of the guard and restores the previous settings afterwards.
class SingleKeyMode {
public:
    SingleKeyMode() {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~SingleKeyMode() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    SingleKeyMode(const SingleKeyMode&) = delete;
    SingleKeyMode& operator=(const SingleKeyMode&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

// Reads through std::cin so that keys and lines read elsewhere share one buffer.
int nextCharacter() {
    std::cout.flush();
    int c = std::cin.get();
    if (c == std::char_traits<char>::eof()) {
        std::cin.clear();
        return -1;
    }
    return c;
}

}  // namespace

bool keyWaiting() {
    // Piped or redirected input is script text, never a key press.
    if (!inputIsTerminal()) return false;
    SingleKeyMode mode;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

int readKey() {
    if (!inputIsTerminal()) return nextCharacter();
    SingleKeyMode mode;
    return nextCharacter();
}

int readKeyEcho() {
    int c = readKey();
    if (c >= 0) {
        std::cout.put(static_cast<char>(c));
        std::cout.flush();
    }
    return c;
}

}  // namespace tala::interp
