#pragma once
// The console keyboard. When standard input is a terminal, keys are polled and read
// without line buffering; otherwise the poll answers "no key waiting" (piped input
// never breaks a loop) and reads take the next character of standard input.

namespace tala::interp {

// True when a key press is waiting (never waits).
bool keyWaiting();
// Reads one key without echo; -1 at end of input.
int readKey();
// Reads one key and echoes it; -1 at end of input.
int readKeyEcho();

}  // namespace tala::interp
