#pragma once
// The console keyboard. When standard input is a terminal, keys are polled and read
// without line buffering; otherwise the poll answers "no key waiting" (piped input
// never breaks a loop) and reads take the next character of standard input.
//
// While an InterruptCatcher lives, Ctrl-C counts as a key press: the poll answers yes
// and the next read returns kInterruptKey, so whatever stops at a key press (a
// while loop, training) stops at Ctrl-C too.

#include <signal.h>

namespace support {

// What a read returns for a caught Ctrl-C: the character Ctrl-C types in raw mode.
inline constexpr int kInterruptKey = 3;

// True when a key press (or a caught Ctrl-C) is waiting (never waits).
bool keyWaiting();
// Reads one key without echo; -1 at end of input.
int readKey();
// Reads one key and echoes it; -1 at end of input.
int readKeyEcho();

// Forgets what stopped the last command: a caught Ctrl-C, and a key press that a poll
// saw, together with whatever was typed after it, so that none of it turns up in the
// next line. Called by interactive sessions between commands.
void discardStoppingKeys();

// Catches Ctrl-C (SIGINT) for its lifetime instead of letting it end the process;
// an interactive session at a terminal holds one.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    struct sigaction previous_ {};
};

}  // namespace support
