#pragma once
// Between the page's console and the interpreters' key poll. In the browser the
// console keys are the keys typed into the page's console while a command runs;
// Ctrl-C arrives as support::kInterruptKey. A poll also lets the browser breathe:
// while a command runs, the poll hands over to the idle hook (the page draws a frame
// and yields to the browser) about once per animation frame.

#include <functional>

namespace flock::web {

// A key typed into the console while a command runs.
void pushConsoleKey(int key);
// Called from key polls while a command runs, at most every `periodMs`; empty for none.
void setIdleHook(std::function<void()> hook, double periodMs = 15.0);

}  // namespace flock::web
