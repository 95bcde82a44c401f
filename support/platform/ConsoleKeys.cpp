#include "support/ConsoleKeys.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include "support/ScriptOutput.h"

namespace support {

namespace {

// Set by the Ctrl-C handler, taken by the next key read or forgotten between commands.
volatile sig_atomic_t interruptPending = 0;
// A poll found a key press that may still be waiting, in part or whole.
bool keyPressSeen = false;

bool inputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

void onInterrupt(int) {
    interruptPending = 1;
    // The terminal has echoed "^C"; what the stopped command prints starts a new line.
    const ssize_t ignored = write(STDOUT_FILENO, "\n", 1);
    (void)ignored;
}

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

// Ctrl-C also cuts short a write to the terminal that was waiting for room (the
// handler does not restart calls), which leaves that stream failed: once the
// interrupt is taken, output goes on, so that what the stopped command says is seen.
void resumeOutput() {
    out().clear();
    std::cerr.clear();
    clearerr(stdout);
    clearerr(stderr);
}

bool takeInterrupt() {
    if (interruptPending == 0) return false;
    interruptPending = 0;
    resumeOutput();
    return true;
}

// Piped input is read through std::cin, so that keys and lines read elsewhere share
// one buffer.
int nextPipedCharacter() {
    out().flush();
    int c = std::cin.get();
    if (c == std::char_traits<char>::eof()) {
        std::cin.clear();
        return -1;
    }
    return c;
}

// A terminal is read one byte at a time, so that nothing typed after the key waits in
// a buffer the poll cannot see (lines read at a terminal come one per read and leave
// no rest behind). A caught Ctrl-C ends the wait: the handler does not restart reads.
int nextTerminalCharacter() {
    out().flush();
    for (;;) {
        unsigned char c = 0;
        const ssize_t count = read(STDIN_FILENO, &c, 1);
        if (count == 1) return c;
        if (count < 0 && errno == EINTR) {
            if (takeInterrupt()) return kInterruptKey;
            continue;
        }
        return -1;
    }
}

}  // namespace

bool keyWaiting() {
    if (interruptPending != 0) return true;
    // Piped or redirected input is script text, never a key press.
    if (!inputIsTerminal()) return false;
    SingleKeyMode mode;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    const bool waiting = poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
    if (waiting) keyPressSeen = true;
    return waiting;
}

int readKey() {
    if (takeInterrupt()) return kInterruptKey;
    if (!inputIsTerminal()) return nextPipedCharacter();
    SingleKeyMode mode;
    return nextTerminalCharacter();
}

int readKeyEcho() {
    int c = readKey();
    if (c >= 0 && c != kInterruptKey) {
        out().put(static_cast<char>(c));
        out().flush();
    }
    return c;
}

void discardStoppingKeys() {
    if (interruptPending != 0) resumeOutput();
    interruptPending = 0;
    // A key that broke a loop may have been left waiting, and a read of it takes only
    // the first byte of a key that sends several.
    if (keyPressSeen && inputIsTerminal()) tcflush(STDIN_FILENO, TCIFLUSH);
    keyPressSeen = false;
    // A read cut short by Ctrl-C leaves the stream failed; the terminal goes on.
    std::cin.clear();
    clearerr(stdin);
}

InterruptCatcher::InterruptCatcher() {
    interruptPending = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read waiting for a key or a line returns at Ctrl-C.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &previous_);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &previous_, nullptr);
    interruptPending = 0;
}

}  // namespace support
